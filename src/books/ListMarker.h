#pragma once

#include <optional>
#include <string>
#include <string_view>

typedef struct _xmlNode xmlNode;

// The numbering of one list, as its items' markers show it: "• " in ul, menu and dir; in ol, a number from
// start (or from the number of items down, when reversed), in the style of type: 1, a, A, i or I ("iv. ").
class ListMarker {
public:
    // list is ul, ol, menu or dir; ordered says it is ol.
    ListMarker(const xmlNode* list, bool ordered);
    // The marker of the next item, item being the li (its value attribute sets its number and the next ones').
    std::u32string Next(const xmlNode* item);

    // A whole number attribute ("3", " -2 "); nothing when it is not one or is beyond a billion either way.
    static std::optional<long long> Number(std::string_view text);

private:
    bool mOrdered;
    char mStyle = '1';
    long long mNext = 1;
    long long mStep = 1;
};
