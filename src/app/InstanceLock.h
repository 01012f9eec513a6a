#pragma once
// Refusal of a second running copy: a lock file in the program directory,
// held for the life of the process.  The kernel drops the lock when the
// process ends, however it ends, so a crashed copy never blocks the next.
#include <filesystem>

namespace hotaru {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    // True when this process now holds the lock of that folder.
    bool acquire(const std::filesystem::path& dir);
    void release();
    bool held() const { return fd_ >= 0; }
private:
    int fd_ = -1;
};

}  // namespace hotaru
