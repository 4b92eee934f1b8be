#include "app/WhatsNewEntry.h"

#include <algorithm>
#include <iterator>

namespace {

WhatsNewEntry entry(const char* build, const char* text) {
    return {QUuid::createUuid(), QString::fromLatin1(build), QString::fromUtf8(text)};
}

} // namespace

const QList<WhatsNewEntry>& whatsNewEntries() {
    // "  \n" is Markdown's hard line break.
    static const QList<WhatsNewEntry> entries{
        entry("26071302", "**Router Username and Password fields** now lock while connected."),
        entry("26070902",
              "**The device picker now highlights 2nd-generation-eligible cameras** (e.g. Canon R5 "
              "Mark II) in Veltrano Blue."),
        entry("26080208",
              "**2nd-Gen Wireless Tethering pre-flight checklist**  \nFor Canon R5 II / R1 2nd-gen "
              "wireless tethering: Veltrano can now check your Capture One + camera setup before "
              "you shoot."),
        entry("26080208",
              "**The device picker now always shows every device on your router's network**  \n"
              "Removed the Cameras / Apple / Others filter, since it wasn't reliable at "
              "recognizing camera hardware and risked hiding a device a new user needed to find."),
        entry("26080208",
              "**Session Log now persists across app restarts**  \nIt no longer clears every time "
              "you relaunch Veltrano \u2014 up to 5,000 recent entries are kept."),
        entry("26080208",
              "**Target Device card simplified in Preferences**  \nRemoved a redundant row label and "
              "renamed \"Dev\" to \"Developer\" for clarity."),
        entry("26071401",
              "**Fixed** a recurring Keychain permission prompt. If you've been using Veltrano since "
              "Beta 1, you may see it one last time after this update \u2014 that's expected "
              "cleanup, and it won't come back."),
        entry("26080208",
              "**Fixed:** entering the wrong router password once no longer blocks every later "
              "connection attempt \u2014 Retry now works correctly without needing to restart the "
              "app."),
        entry("26080208",
              "**Fixed:** if your router session expired while Veltrano was running, Select Device "
              "could show an empty list even with your camera actively connected \u2014 it now "
              "detects this and recovers automatically."),
    };
    return entries;
}

QList<WhatsNewEntry> unseenEntries(const std::optional<QString>& lastSeen) {
    QList<WhatsNewEntry> unseen;
    if (!lastSeen)
        return unseen;
    std::copy_if(whatsNewEntries().cbegin(), whatsNewEntries().cend(), std::back_inserter(unseen),
                 [&](const WhatsNewEntry& entry) { return entry.build > *lastSeen; });
    return unseen;
}
