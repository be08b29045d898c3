#include "base/HostHooks.h"

namespace {
MessageHost* gMessageHost = nullptr;
ClipboardHook* gClipboard = nullptr;
} // namespace

MessageHost* CurrentMessageHost() { return gMessageHost; }
void SetMessageHost(MessageHost* host) { gMessageHost = host; }
ClipboardHook* CurrentClipboard() { return gClipboard; }
void SetClipboardHook(ClipboardHook* hook) { gClipboard = hook; }

void ShowHostMessage(const std::string& text, const std::string& title)
{
    if (gMessageHost)
        gMessageHost->ShowMessage(text, title);
}

bool AskHostYesNo(const std::string& text, const std::string& title)
{
    return gMessageHost && gMessageHost->AskYesNo(text, title);
}
