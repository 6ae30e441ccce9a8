#include "folder_walk.h"

#include <algorithm>
#include <unistd.h>

namespace vorl {
namespace {

namespace fs = std::filesystem;

bool inside(const fs::path& root, const fs::path& canonical) {
    auto [rootEnd, at] = std::mismatch(root.begin(), root.end(), canonical.begin(), canonical.end());
    return rootEnd == root.end() && at != canonical.end();
}

std::vector<fs::path> ancestorsOf(const fs::path& root, const fs::path& canonical) {
    std::vector<fs::path> chain;
    for (fs::path folder = canonical; folder != root && inside(root, folder); folder = folder.parent_path())
        chain.push_back(folder);
    chain.push_back(root);
    return chain;
}

} // namespace

std::optional<FolderEntry> visibleEntry(const fs::path& root, const fs::path& path,
                                        const std::vector<fs::path>& ancestors) {
    std::error_code error;
    fs::file_status own = fs::symlink_status(path, error);
    if (error)
        return std::nullopt;
    fs::path canonical = fs::canonical(path, error);
    if (error || (fs::is_symlink(own) && !inside(root, canonical)))
        return std::nullopt;
    fs::file_status target = fs::status(canonical, error);
    bool directory = fs::is_directory(target);
    if (error || (!directory && !fs::is_regular_file(target)))
        return std::nullopt;
    if (directory && std::find(ancestors.begin(), ancestors.end(), canonical) != ancestors.end())
        return std::nullopt; // a loop
    if (::access(canonical.c_str(), directory ? R_OK | X_OK : R_OK) != 0)
        return std::nullopt;
    return FolderEntry{path.filename().string(), path, canonical, directory};
}

FolderListing::FolderListing(fs::path rootFolder, fs::path folder, std::vector<fs::path> chain)
    : root(std::move(rootFolder)), ancestors(std::move(chain)), iterator(folder, error) {}

std::vector<FolderEntry> FolderListing::next(std::size_t most) {
    std::vector<FolderEntry> entries;
    for (; !error && iterator != fs::directory_iterator() && entries.size() < most; iterator.increment(error))
        if (std::optional<FolderEntry> entry = visibleEntry(root, iterator->path(), ancestors))
            entries.push_back(std::move(*entry));
    return entries;
}

std::optional<FolderEntry> entryAtPath(const fs::path& root, const FolderEntry& folder,
                                       const std::string& relativePath) {
    FolderEntry at = folder;
    for (const fs::path& component : fs::path(relativePath)) {
        if (component.empty() || component == "." || component == "/")
            continue;
        if (!at.directory)
            return std::nullopt;
        if (component == "..") {
            if (at.canonical == root)
                return std::nullopt;
            fs::path parent = at.path.parent_path();
            at = FolderEntry{parent.filename().string(), parent, at.canonical.parent_path(), true};
            continue;
        }
        std::optional<FolderEntry> next =
            visibleEntry(root, at.path / component, ancestorsOf(root, at.canonical));
        if (!next)
            return std::nullopt;
        at = *next;
    }
    return at;
}

std::vector<FileBelow> filesBelow(const fs::path& folder) {
    std::error_code error;
    fs::path root = fs::canonical(folder, error);
    std::vector<FileBelow> files;
    if (error)
        return files;
    // Depth first, each folder with the canonical folders that hold it.
    struct Visit {
        fs::path path;
        std::string relative;
        std::vector<fs::path> ancestors;
    };
    std::vector<Visit> folders{{folder, folder.filename().string(), {root}}};
    while (!folders.empty()) {
        Visit visit = std::move(folders.back());
        folders.pop_back();
        FolderListing listing(root, visit.path, visit.ancestors);
        for (std::vector<FolderEntry> batch; !(batch = listing.next(256)).empty();) {
            for (FolderEntry& entry : batch) {
                std::string relative = visit.relative + "/" + entry.name;
                if (!entry.directory) {
                    files.push_back({entry.path, relative});
                    continue;
                }
                std::vector<fs::path> ancestors = visit.ancestors;
                ancestors.push_back(entry.canonical);
                folders.push_back({entry.path, relative, std::move(ancestors)});
            }
        }
    }
    return files;
}

} // namespace vorl
