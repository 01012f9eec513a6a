#pragma once
// The reminders the menu gives while the settings row or the claim month is
// still missing.
namespace hotaru {

inline constexpr const char* kClaimMonthReminder = "請求月更新機能にて、請求月を設定してください。";
inline constexpr const char* kSettingsReminder = "設定機能にて、項目を設定してください。";

// Reads the settings row and shows what is missing (exclamation icon, title
// "処理確認"); true when a reminder was shown.  A database failure throws.
bool RemindMissingSettings();

}  // namespace hotaru
