#pragma once

#include <string>

class Bitmap;

// The core draws nothing on screen and owns no clipboard; a front end plugs these in.
// Without a plugged-in host, messages go nowhere, questions are answered No and the clipboard is unavailable.

class MessageHost {
public:
    virtual ~MessageHost() = default;
    // A message box with an OK button; an empty title means the program's own name.
    virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
    // A message box with Yes and No; answers true for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;
};

class ClipboardHook {
public:
    virtual ~ClipboardHook() = default;
    // Replaces the clipboard's content with a copy of the picture; false when the clipboard refused it.
    virtual bool SetBitmap(const Bitmap& picture) = 0;
    // The clipboard's text, empty when it holds none.
    virtual std::string Text() = 0;
};

// The hooks in force. The setters take no ownership: the host outlives its use. nullptr removes a hook.
MessageHost* CurrentMessageHost();
void SetMessageHost(MessageHost* host);
ClipboardHook* CurrentClipboard();
void SetClipboardHook(ClipboardHook* hook);

// Shortcuts that honour a missing host.
void ShowHostMessage(const std::string& text, const std::string& title = "");
bool AskHostYesNo(const std::string& text, const std::string& title = "");
