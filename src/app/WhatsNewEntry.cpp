#include "app/WhatsNewEntry.h"

// A Markdown hard break: a backslash ending the line keeps the second sentence on
// a line of its own.
const QList<WhatsNewEntry>& WhatsNewEntry::table() {
    static const QList<WhatsNewEntry> entries{
        {QStringLiteral("26071302"),
         QStringLiteral("**Router Username and Password fields** now lock while connected.")},
        {QStringLiteral("26070902"),
         QStringLiteral("**The device picker now highlights 2nd-generation-eligible cameras** (e.g. Canon R5 "
                        "Mark II) in Veltrano Blue.")},
        {QStringLiteral("26080208"),
         QStringLiteral("**2nd-Gen Wireless Tethering pre-flight checklist**\\\nFor Canon R5 II / R1 2nd-gen "
                        "wireless tethering: Veltrano can now check your Capture One + camera setup before "
                        "you shoot.")},
        {QStringLiteral("26080208"),
         QStringLiteral(
             "**The device picker now always shows every device on your router's network**\\\n"
             "Removed the Cameras / Apple / Others filter, since it wasn't reliable at recognizing "
             "camera hardware and risked hiding a device a new user needed to find.")},
        {QStringLiteral("26080208"),
         QStringLiteral("**Session Log now persists across app restarts**\\\nIt no longer clears every time "
                        "you relaunch Veltrano \u2014 up to 5,000 recent entries are kept.")},
        {QStringLiteral("26080208"),
         QStringLiteral("**Target Device card simplified in Preferences**\\\nRemoved a redundant row label "
                        "and renamed \"Dev\" to \"Developer\" for clarity.")},
        {QStringLiteral("26071401"),
         QStringLiteral(
             "**Fixed** a recurring Keychain permission prompt. If you've been using Veltrano since "
             "Beta 1, you may see it one last time after this update \u2014 that's expected "
             "cleanup, and it won't come back.")},
        {QStringLiteral("26080208"),
         QStringLiteral("**Fixed:** entering the wrong router password once no longer blocks every later "
                        "connection attempt \u2014 Retry now works correctly without needing to restart the "
                        "app.")},
        {QStringLiteral("26080208"),
         QStringLiteral("**Fixed:** if your router session expired while Veltrano was running, Select Device "
                        "could show an empty list even with your camera actively connected \u2014 it now "
                        "detects this and recovers automatically.")},
    };
    return entries;
}
