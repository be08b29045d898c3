#pragma once

#include <string>
#include <string_view>
#include <vector>

// The controls of the settings window, in the order the window creates them. This one table gives the
// defaults, drives profile saving and loading, and lets the settings window build and bind its widgets.

enum class ControlKind { Check, Text, Option, List };

struct ControlSpec {
    std::string name;     // without index: "optScrRes", "lstFonts"
    int index = -1;       // member index of a control array, -1 for a single control
    ControlKind kind = ControlKind::Text;
    std::string defaultValue;  // check "0"/"1", option "1" when selected, text, list entry
    std::string caption;       // caption or label; "&" marks the accelerator, "&&" shows "&"
    bool enabledAtStart = true;
    std::string tag;           // "Save": saved with profiles even when its value reads as false
    std::string frame;         // the group box holding it, empty for the top of the window
    bool numeric = false;      // the text is read as a number where it is used
};

const std::vector<ControlSpec>& SettingsControls();

// The control named name (and index, for arrays); nullptr when there is none.
const ControlSpec* FindControl(std::string_view name, int index = -1);

// "optScrRes(1)" or "chkSmartLF".
std::string ControlKey(const ControlSpec& control);
