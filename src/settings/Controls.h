#pragma once

#include <string>
#include <string_view>
#include <vector>

// The controls of the settings window, in the order the window creates them. This one table gives the
// defaults, drives profile saving and loading, and lets the settings window build and bind its widgets.

enum class ControlKind { Check, Text, Option, List };

// Font sizes in points that make a readable page, and the most screens one page may be high.
constexpr double kMinPoints = 3;
constexpr double kMaxPoints = 48;
constexpr double kMaxMultiplier = 5;

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
    // The values a numeric text takes, as its caption or its use states them; whole numbers only when whole.
    double minimum = 0;
    double maximum = 0;
    bool whole = false;
};

const std::vector<ControlSpec>& SettingsControls();

// The control named name (and index, for arrays); nullptr when there is none.
const ControlSpec* FindControl(std::string_view name, int index = -1);

// "a number from 0 to 10", "a whole number from 0 to 255": what a ranged numeric text takes.
std::string RangeText(const ControlSpec& control);

// "optScrRes(1)" or "chkSmartLF".
std::string ControlKey(const ControlSpec& control);
