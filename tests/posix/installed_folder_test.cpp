#include "platform/posix/installed_folder.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

TEST(InstalledFolder, RelativeFoldersFollowTheExecutableAndAbsoluteOnesStayPut) {
    struct Case {
        const char* folder;
        const char* executable;
        const char* prefixFromBinaryFolder;
        const char* expected;
    };
    const Case cases[] = {
        {"libexec/vorl-vorudi", "/usr/bin/vorl-vorudi", "..", "/usr/libexec/vorl-vorudi"},
        // The build tree: an installation moved elsewhere as a whole.
        {"lib/vorl-vorudi/web-extensions", "/home/ola/bygg/src/vorl-vorudi", "..",
         "/home/ola/bygg/lib/vorl-vorudi/web-extensions"},
        {"libexec/vorl-vorudi", "/usr/local/verktøy/bin/vorl-vorudi", "../..",
         "/usr/local/libexec/vorl-vorudi"},
        {"/opt/x/lib/vorl-vorudi/web-extensions", "/usr/bin/vorl-vorudi", "..",
         "/opt/x/lib/vorl-vorudi/web-extensions"},
    };
    for (const Case& row : cases)
        EXPECT_EQ(installedFolder(row.folder, row.executable, row.prefixFromBinaryFolder),
                  std::filesystem::path(row.expected))
            << row.folder << " from " << row.executable;
}

} // namespace
} // namespace vorl
