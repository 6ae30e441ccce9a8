#pragma once

#include "base/main_window.h"
#include "platform/web_view.h"
#include "webhost/folder_walk.h"
#include "webhost/hand_overs.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorl {

// What was dropped on a tool page, walked as the page asks through its "vorlDrops" channel
// (page_drops.js), for the document it was dropped on only. Each message names its drop and an
// entry the page was told of ("" for the drop's root, which holds what was dropped) and is
// answered with JSON: "list" (and a reader of the page's) the entry's next batch of entries, the
// last one empty; "find" (and a path, relative to the entry, or from the root where it begins
// with "/") the entry it names or null; "files" (and entries, their ids joined by commas) the token under
// which their files are handed over, in that order. An entry is {"id", "name", "directory", "fullPath"}.
// Nothing outside what was dropped can be named, through a symbolic link or "..".
class DroppedFolders final : public ScriptMessageHandler {
public:
    DroppedFolders(MainWindow& mainWindow, HandOvers& handOvers);

    // A drop on the document shown now, paths in the source's order: its id, the page's entries
    // for what it holds (files and folders a page may have, as JSON), and its files.
    struct Drop {
        std::string id;
        std::string items;
        std::vector<std::filesystem::path> files;
    };
    Drop add(const std::vector<std::filesystem::path>& dropped);

    void didReceiveScriptMessage(const ScriptMessage& body, ScriptReplyHandler reply) override;

private:
    struct Known {
        FolderEntry entry;
        std::size_t root;     // the dropped item it lies in
        std::string fullPath; // from the drop's root: "/Cues/Akt 2"
        std::vector<std::filesystem::path>
            chain; // for a folder: the canonical folders from its root down to it
    };
    struct Dropped {
        unsigned document;
        std::vector<std::size_t> top; // the dropped items, ids in the source's order
        std::vector<Known> known;     // every entry the page was told of, by id
        std::map<std::string, std::unique_ptr<FolderListing>> readers; // by entry and the page's reader
    };

    std::string describe(Dropped& drop, Known known);
    std::optional<std::string> list(Dropped& drop, const std::string& entry, const std::string& reader);
    std::optional<std::string> find(Dropped& drop, const std::string& entry, const std::string& path);
    std::optional<std::string> files(Dropped& drop, const std::string& entries);

    MainWindow& mainWindow;
    HandOvers& handOvers;
    std::map<std::string, Dropped> drops;
};

} // namespace vorl
