#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Walking a folder the user dropped or chose, as the page may see it: only what lies inside it.

namespace vorl {

// An entry of such a folder: a regular file or a folder the user can read.
struct FolderEntry {
    std::string name;
    std::filesystem::path path;      // as reached from the folder, symbolic links kept
    std::filesystem::path canonical; // what it is on disk
    bool directory = false;
};

// The entry at path, or nothing where the page may not have it: anything but a readable file or
// folder, or a symbolic link that leads out of root, or to one of the folders held in
// ancestors (each canonical), which would walk in a loop.
std::optional<FolderEntry> visibleEntry(const std::filesystem::path& root, const std::filesystem::path& path,
                                        const std::vector<std::filesystem::path>& ancestors);

// A folder's visible entries, read a batch at a time as the page asks for them.
class FolderListing {
public:
    // folder lies inside root; ancestors are the canonical folders from root down to it, itself
    // included.
    FolderListing(std::filesystem::path root, std::filesystem::path folder,
                  std::vector<std::filesystem::path> ancestors);
    // At most most entries more; none once the folder has been read to its end.
    std::vector<FolderEntry> next(std::size_t most);

private:
    std::filesystem::path root;
    std::vector<std::filesystem::path> ancestors;
    std::error_code error;
    std::filesystem::directory_iterator iterator;
};

// The visible entry a relative path names from folder, component by component: names, "." and
// ".." (never above root). Nothing where a component is missing, hidden as above, or not a
// folder where the path goes on.
std::optional<FolderEntry> entryAtPath(const std::filesystem::path& root, const FolderEntry& folder,
                                       const std::string& relativePath);

// Every visible file below a chosen folder, depth first, each with its path relative to the
// folder's parent ("Cues/Akt 2/b.wav"), as a folder input gives them.
struct FileBelow {
    std::filesystem::path path;
    std::string relativePath;
};
std::vector<FileBelow> filesBelow(const std::filesystem::path& folder);

} // namespace vorl
