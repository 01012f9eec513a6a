#include "common/Errors.h"

#include <cerrno>
#include <new>
#include <system_error>

#include "common/Messages.h"
#include "common/Sjis.h"

namespace hotaru {
namespace {

// The errno of a system error, or 0 when it carries none.
int ErrnoOf(const std::system_error& e) {
    const std::error_category& cat = e.code().category();
    if (cat == std::generic_category() || cat == std::system_category()) return e.code().value();
    return 0;
}

}  // namespace

std::string StandardErrorText(int number, const std::string& description) {
    return "予期せぬエラーです。\r\nエラーコード：" + std::string(number >= 0 ? " " : "") +
           std::to_string(number) + "\r\n" + description;
}

int ErrorNumberOf(const std::exception& e) {
    if (auto* app = dynamic_cast<const AppError*>(&e)) return app->number();
    if (dynamic_cast<const SjisError*>(&e)) return err::TypeMismatch;
    if (dynamic_cast<const std::bad_alloc*>(&e)) return err::OutOfMemory;
    if (auto* sys = dynamic_cast<const std::system_error*>(&e)) {
        switch (ErrnoOf(*sys)) {
        case ENOSPC: return err::DiskFull;
        case ENOENT: return err::FileNotFound;
        case EACCES:
        case EROFS:
        case EPERM: return err::PermissionDenied;
        default: return err::IoError;
        }
    }
    return err::Unexpected;
}

std::string ErrorDescriptionOf(const std::exception& e) {
    if (dynamic_cast<const AppError*>(&e)) return e.what();
    if (dynamic_cast<const std::bad_alloc*>(&e)) return "メモリが不足しています。";
    if (auto* sys = dynamic_cast<const std::system_error*>(&e)) {
        switch (ErrnoOf(*sys)) {
        case ENOSPC: return "ディスクの空き容量が不足しています。";
        case ENOENT: return "ファイルが見つかりません。";
        case EACCES:
        case EROFS:
        case EPERM: return "書き込みできません。";
        default: break;
        }
    }
    return e.what();
}

void ShowStandardError(const std::exception& e) {
    MsgBox(StandardErrorText(ErrorNumberOf(e), ErrorDescriptionOf(e)), mbExclamation, "エラー");
}

}  // namespace hotaru
