#include "app/Welcome.h"

#include <cstdio>
#include <string>

std::string WelcomeText()
{
    // The version reads revision, major, minor: version 1.0 at revision 35 shows as 35.1.0.
    int major = 0, minor = 0, revision = 0;
    std::sscanf(LEAFCAST_VERSION, "%d.%d.%d", &major, &minor, &revision);
    const std::string version = std::to_string(revision) + "." + std::to_string(major) + "." + std::to_string(minor);
    const char* lines[] = {
        "leafcast file maker (developed for ZEN Vision:M)",
        "Author: the Leafcast team",
        "Contact: leafcast@example.org",
        "",
        "Scope: the program reads a txt file and create a",
        " sequence of JPG files for viewing on 'old' media",
        " players unsupporting other formats (like my",
        " Creative ZEN Vision:M 30 GB).",
        "",
        "",
        "Web site: https://leafcast.example.org",
        "",
        "Feel free to send comments, critics and compliments",
        " to leafcast@example.org",
        " (don't worry, I'm an easy guy).",
        "",
        "Regards,",
        "The Leafcast team",
    };
    std::string text = "Program: Leafcast - ver. " + version;
    for (const char* line : lines)
        text += std::string("\n") + line;
    return text;
}
