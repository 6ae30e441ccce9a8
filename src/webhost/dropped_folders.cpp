#include "dropped_folders.h"

#include "base/utf8.h"
#include "webhost/file_drops.h"
#include "webhost/json_text.h"

#include <charconv>

namespace vorl {
namespace {

namespace fs = std::filesystem;

// Entries a listing's message carries at most.
constexpr std::size_t batchSize = 100;

std::optional<std::size_t> idOf(const std::string& text) {
    std::size_t id = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return id;
}

} // namespace

DroppedFolders::DroppedFolders(MainWindow& shownIn, HandOvers& files)
    : mainWindow(shownIn), handOvers(files) {}

DroppedFolders::Drop DroppedFolders::add(const std::vector<fs::path>& dropped) {
    unsigned document = mainWindow.web().shownDocument().number;
    std::erase_if(drops, [document](const auto& entry) { return entry.second.document != document; });
    Drop made{handOverToken(), "[", {}};
    Dropped& drop = drops[made.id];
    drop.document = document;
    for (const fs::path& path : dropped) {
        // What the user dropped is the root of what the page may reach below it.
        std::error_code error;
        fs::path root = fs::canonical(path, error);
        std::optional<FolderEntry> entry;
        if (!error && path.is_absolute())
            entry = visibleEntry(root.parent_path(), path, {});
        if (!entry || !isValidUtf8(entry->name))
            continue;
        if (!entry->directory)
            made.files.push_back(entry->path);
        std::size_t id = drop.known.size();
        drop.top.push_back(id);
        made.items += (made.items.size() > 1 ? "," : "") +
                      describe(drop, Known{*entry, id, "/" + entry->name, {entry->canonical}});
    }
    made.items += "]";
    return made;
}

std::string DroppedFolders::describe(Dropped& drop, Known known) {
    std::size_t id = drop.known.size();
    std::string text = "{\"id\":" + std::to_string(id) + ",\"name\":" + jsonString(known.entry.name) +
                       ",\"directory\":" + (known.entry.directory ? "true" : "false") +
                       ",\"fullPath\":" + jsonString(known.fullPath) + "}";
    drop.known.push_back(std::move(known));
    return text;
}

void DroppedFolders::didReceiveScriptMessage(const ScriptMessage& body, ScriptReplyHandler reply) {
    std::optional<std::string> command = body.stringEntry("cmd"), id = body.stringEntry("drop");
    auto drop = id ? drops.find(*id) : drops.end();
    // Only the document it was dropped on may walk a drop.
    if (!command || drop == drops.end() || drop->second.document != mainWindow.web().shownDocument().number)
        return reply(ScriptReply{{}, "ukjent slipp"});
    std::string entry = body.stringEntry("entry").value_or("");
    std::optional<std::string> answer;
    if (*command == "list")
        answer = list(drop->second, entry, body.stringEntry("reader").value_or(""));
    else if (*command == "find")
        answer = find(drop->second, entry, body.stringEntry("path").value_or(""));
    else if (*command == "files")
        answer = files(drop->second, body.stringEntry("entries").value_or(""));
    if (!answer)
        return reply(ScriptReply{{}, "ukjent oppføring"});
    reply(ScriptReply{*answer, std::nullopt});
}

std::optional<std::string> DroppedFolders::list(Dropped& drop, const std::string& entry,
                                                const std::string& reader) {
    std::string batch = "[";
    auto add = [&](Known known) {
        batch += (batch.size() > 1 ? "," : "") + describe(drop, std::move(known));
    };
    const std::string key = entry + "/" + reader;
    if (entry.empty()) {
        // The root holds what was dropped, all in one batch, then the empty one.
        if (drop.readers.erase(key))
            return batch + "]";
        drop.readers[key] = nullptr;
        for (std::size_t top : drop.top)
            add(drop.known[top]);
        return batch + "]";
    }
    std::optional<std::size_t> id = idOf(entry);
    if (!id || *id >= drop.known.size() || !drop.known[*id].entry.directory)
        return std::nullopt;
    std::unique_ptr<FolderListing>& listing = drop.readers[key];
    if (!listing) {
        const Known& folder = drop.known[*id];
        listing = std::make_unique<FolderListing>(drop.known[folder.root].entry.canonical, folder.entry.path,
                                                  folder.chain);
    }
    for (FolderEntry& found : listing->next(batchSize)) {
        const Known& folder = drop.known[*id];
        if (!isValidUtf8(found.name))
            continue;
        std::vector<fs::path> chain = folder.chain;
        if (found.directory)
            chain.push_back(found.canonical);
        add(Known{found, folder.root, folder.fullPath + "/" + found.name, std::move(chain)});
    }
    if (batch.size() == 1)
        drop.readers.erase(key); // read to its end
    return batch + "]";
}

std::optional<std::string> DroppedFolders::find(Dropped& drop, const std::string& entry,
                                                const std::string& path) {
    std::string rest = path;
    std::optional<std::size_t> from = idOf(entry);
    if (path.starts_with("/")) {
        // From the root: the first name is one of what was dropped.
        fs::path relative = fs::path(path).relative_path();
        auto first = relative.begin();
        if (first == relative.end())
            return std::nullopt;
        auto named = std::find_if(drop.top.begin(), drop.top.end(), [&](std::size_t top) {
            return drop.known[top].entry.name == first->string();
        });
        if (named == drop.top.end())
            return "null";
        from = *named;
        rest = relative.lexically_relative(*first).string();
    }
    if (!from || *from >= drop.known.size())
        return std::nullopt;
    const Known& base = drop.known[*from];
    const Known& root = drop.known[base.root];
    std::optional<FolderEntry> found = entryAtPath(root.entry.canonical, base.entry, rest);
    if (!found || !isValidUtf8(found->path.string()))
        return "null";
    std::string below = found->path.lexically_relative(root.entry.path).string();
    std::string fullPath = root.fullPath + (below == "." ? "" : "/" + below);
    return describe(drop, Known{*found, base.root, fullPath, {root.entry.canonical, found->canonical}});
}

std::optional<std::string> DroppedFolders::files(Dropped& drop, const std::string& entries) {
    std::vector<fs::path> paths;
    for (std::size_t at = 0; at <= entries.size();) {
        std::size_t comma = std::min(entries.find(',', at), entries.size());
        std::optional<std::size_t> id = idOf(entries.substr(at, comma - at));
        if (!id || *id >= drop.known.size() || drop.known[*id].entry.directory)
            return std::nullopt;
        paths.push_back(drop.known[*id].entry.path);
        at = comma + 1;
    }
    // Picked up by a script of the application's, which may open the page's hidden input.
    std::string token = handOvers.offer(std::move(paths));
    mainWindow.web().callAsyncJavaScript("return await window[Symbol.for('vorl.drops')].pickUp(token);",
                                         ScriptArguments{{"token", token}}, ScriptWorld::page,
                                         [this, token](auto) { handOvers.withdraw(token); });
    return jsonString(token);
}

} // namespace vorl
