// The files of the product and where they go: one definition for the
// installation, the removal and the packer's check.
#pragma once

#include <array>
#include <string_view>

namespace payload {

// Placed directly in the installation folder. 0 to 2 are the servers; the
// last, default.ini, is copied only where none exists yet.
inline constexpr std::array<std::string_view, 13> ProgramFiles = {
    "smtp.exe", "pop3.exe",   "control.exe", "config.exe",   "readme.txt", "update.txt", "tolva.hlp",
    "tolva.cnt", "tolva.rtf", "dnsquery.exe", "users.exe", "notify.exe", "default.ini",
};
inline constexpr std::size_t ServerProgramCount = 3;
inline constexpr std::size_t DefaultIniIndex = 12;

// Placed in the sub-folder html\ of the installation folder.
inline constexpr std::array<std::string_view, 30> WebFiles = {
    "about.html",    "accountlist.html", "accounts.html",  "delivery.html",  "domainadd.html",
    "domainedit.html", "domainstat.html", "execadd.html", "execedit.html",  "failure.html",
    "logs.html",     "mailadd.html",     "mailedit.html",  "options.html",   "remoteadd.html",
    "remoteedit.html", "security.html",  "self.html",      "smsadd.html",    "smsedit.html",
    "success.html",  "system.html",      "useradd.html",   "useredit.html",  "outgoing.html",
    "userbox.html",  "script.js",        "styles.css",     "domains.php",    "incoming.html",
};

// The Start-menu shortcuts, in pairs by index: a file of the installation
// folder and the caption of its shortcut.
inline constexpr std::array<std::string_view, 6> ShortcutTargets = {
    "config.exe", "readme.txt", "tolva.hlp", "dnsquery.exe", "notify.exe", "update.txt",
};
inline constexpr std::array<std::string_view, 6> ShortcutNames = {
    "TOLVA Configuration", "TOLVA Readme", "TOLVA Help", "DNS Query Tool", "TOLVA Mail Notification", "Update Notes",
};

// The control panel applet, copied into the system folder.
inline constexpr std::string_view ControlPanelApplet = "TOLVA.CPL";

// Pictures go into html\images\; a picture is a file whose name ends in
// .gif, in any letter case, as the file system matches it.
inline constexpr std::string_view PictureExtension = ".gif";
bool IsPictureName(std::string_view name);

} // namespace payload
