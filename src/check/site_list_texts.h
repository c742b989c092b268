#pragma once

// The site list's file name and its status texts, GBK bytes, shared by the
// window and the command-line tool. Its columns and shape are in
// site_list_layout.h.

// 帐号.ini, in the current directory
inline constexpr char SiteListFileName[] = "\xD5\xCA\xBA\xC5.ini";
// 帐号.ini.bak: the list as it was on disk, kept before SAVE overwrites a
// list whose load skipped lines
inline constexpr char SiteListBackupName[] = "\xD5\xCA\xBA\xC5.ini.bak";

// The statuses in the order of the drop-down list; the index of each is also
// the index of its icon.
inline constexpr char StatusNormal[] = "\xD5\xFD\xB3\xA3"; // 正常: checked by every check run
inline constexpr char StatusPaused[] = "\xD4\xDD\xCD\xA3"; // 暂停: skipped
inline constexpr char StatusDead[] = "\xCB\xC0\xCD\xF6"; // 死亡: skipped
