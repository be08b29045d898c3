#pragma once

#include <string>
#include <vector>

struct DeviceCopyResult {
    int copied = 0;
    // What the user is told: how many pages went where, or why none did. A failed copy names the file and
    // the reason; the copy stops there.
    std::string message;
    bool ok = false;
};

// Copies the JPEG and PNG pages of the output folder, and of its chapter sub-folders (keeping them), into the
// player's folder, replacing pages of the same name. Hidden files are left alone. Without a device folder nothing
// is copied: never into the root of the file system.
DeviceCopyResult CopyPagesToDevice(const std::string& outputFolder, const std::string& deviceFolder);

// Copies a run's archive into the device's folder, replacing an archive of the same name only once the copy is
// complete.
DeviceCopyResult CopyArchiveToDevice(const std::string& archive, const std::string& deviceFolder);
