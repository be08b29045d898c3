#pragma once

#include "base/Result.h"

#include <cstdint>
#include <fcntl.h>
#include <span>
#include <string>
#include <string_view>

class SaveFolder;

// Every file the program writes goes through a SaveFile, so that a file of that name is either the old one or
// the complete new one, never a mix: Open makes a hidden temporary file beside the target ("." + name + ...
// ".tmp", so nobody looking for pages or profiles picks it up), Write appends to it, Commit renames it over the
// target, and Abandon (or destruction without Commit) removes it and leaves the target as it was.
//
// A target that exists and is not a regular file (a device such as /dev/null, a pipe) cannot be replaced; it is
// written in place, and Commit only closes it. A folder is refused. Errors name the target, never the
// temporary. The temporary is made with the usual permissions of a new file (0666 less the umask).
class SaveFile {
public:
    enum class Durability {
        // Commit flushes the content to the disk before the rename: after a crash or a power cut the target is
        // the old file or the new one. For files the user keeps: profiles, the state file, bitmaps.
        Synced,
        // Commit renames without waiting for the disk: the rename still keeps a failed write from leaving a short
        // file, but a power cut may leave an empty one. For pages, written by the thousand and easily made again.
        Unsynced,
    };

    // Whether Open looks at the target first. A name the caller made itself inside its own folder (a page) is
    // replaced by Commit whatever stands there, which spares a look-up per page; any other target is looked at,
    // so that a device or a pipe is written in place and a folder is refused before anything is written.
    enum class Target { LookFirst, OwnName };

    // A file of a name the caller made may be opened through a SaveFolder the caller holds for its folder. The
    // file borrows the folder's descriptor: it is committed or abandoned before the SaveFolder opens another
    // folder or goes.
    static Result<SaveFile> Open(const std::string& path, Durability durability = Durability::Synced,
                                 Target target = Target::LookFirst, SaveFolder* folder = nullptr);

    SaveFile(SaveFile&& other) noexcept;
    SaveFile& operator=(SaveFile&& other) noexcept;
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;
    ~SaveFile() { Abandon(); }

    // Appends all the bytes, going on after interruptions and short writes. After a failure the file can only be
    // abandoned: Commit answers the same error.
    Result<void> Write(std::span<const std::uint8_t> bytes);
    Result<void> Write(std::string_view text);
    // Writes over the content from offset on (or beyond its end), for a format that fills in a header once what
    // follows it is written. The next Write appends after the furthest byte written.
    Result<void> WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);

    // Cuts the content to size bytes, or makes it that long.
    Result<void> Truncate(std::uint64_t size);

    // Reads back what was written, up to bytes.size() bytes from offset; fewer only at the end. A target written
    // in place cannot be read back.
    Result<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes) const;

    // Puts the written content in place of the target. The SaveFile is spent afterwards, whatever the answer;
    // a failed commit leaves the target as it was.
    Result<void> Commit();

    // Drops what was written; the target stays as it was. Does nothing once spent.
    void Abandon();

private:
    SaveFile() = default;

    int mFd = -1;
    std::string mPath;
    int mFolder = AT_FDCWD;  // the names below are looked up from here: a held folder, or the path's own start
    std::string mName;       // the target, from mFolder
    std::string mTemporary;  // from mFolder; empty when the target is written in place
    Durability mDurability = Durability::Synced;
    int mWriteError = 0;
    std::uint64_t mSize = 0;  // the furthest byte written
    bool mRewritten = false;  // a WriteAt left the file's position short of mSize
};

// The folder that files of the caller's own names go into one after another, such as a run's pages, held open
// so that each file is looked up from it instead of along its whole path. A folder held open follows a rename
// of it, so it is held only while the files go to one place: for one run. A folder removed and made again
// meanwhile is found again by its path.
class SaveFolder {
public:
    SaveFolder() = default;
    SaveFolder(const SaveFolder&) = delete;
    SaveFolder& operator=(const SaveFolder&) = delete;
    ~SaveFolder() { Close(); }

    // Lets go of the folder; the next file looks it up again.
    void Close();

private:
    friend class SaveFile;
    // The descriptor of folder (a path ending in '/'), opened when it is not the one held; -1 when it cannot be.
    int Hold(std::string_view folder);

    std::string mPath;
    int mFd = -1;
};

// Writes a whole file through a SaveFile.
Result<void> SaveWholeFile(const std::string& path, std::string_view content,
                           SaveFile::Durability durability = SaveFile::Durability::Synced,
                           SaveFile::Target target = SaveFile::Target::LookFirst, SaveFolder* folder = nullptr);
