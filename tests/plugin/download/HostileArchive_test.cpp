// Archives are input from the network: whatever their names say, nothing may land outside the
// destination, no link may be made or followed, and a name that cannot be kept inside fails the
// extraction with errno telling why.
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/plugin/download/ExtractionFixture.h"

namespace {

using Set = std::set<std::string>;

struct HostileName {
    std::string name;
    Set expected; // the tree afterwards; only "dest/" means the entry was refused
};

} // namespace

class HostileArchive : public ExtractionFixture {};

TEST_F(HostileArchive, NamesThatClimbOrAreAbsoluteStayInsideOrFail) {
    const HostileName cases[] = {
        {"../x", {"dest/"}},
        {"..\\x", {"dest/"}},
        {"..", {"dest/"}},
        {".", {"dest/"}},
        {"../", {"dest/"}},
        {"./", {"dest/"}},
        {"/x", {"dest/"}},
        {"a/..", {"dest/"}},
        {"a/.", {"dest/"}},
        {"", {"dest/"}},
        {"a/../../x", {"dest/", "dest/a_.._../", "dest/a_.._../x"}},
        {"/etc/x", {"dest/", "dest/_etc/", "dest/_etc/x"}},
        {"C:\\x", {"dest/", "dest/C_/", "dest/C_/x"}},
        {"a:b\\c:d", {"dest/", "dest/a_b/", "dest/a_b/c_d"}},
        {"..x", {"dest/", "dest/..x"}},
    };
    for (const HostileName& hostile : cases) {
        std::filesystem::remove_all(dest);
        std::filesystem::create_directory(dest);
        ZipWriter zip;
        zip.addFile(hostile.name, "payload");
        bool refused = hostile.expected == Set{"dest/"};
        EXPECT_EQ(extract(zip), !refused) << hostile.name;
        if (refused) {
            EXPECT_EQ(error, EINVAL) << hostile.name;
        }
        EXPECT_EQ(tree(), hostile.expected) << hostile.name;
    }
}

TEST_F(HostileArchive, ANameWithANulIsRefusedWhole) {
    ZipWriter zip;
    zip.addFile(std::string("a.txt\0/../../x", 14), "payload");
    EXPECT_FALSE(extract(zip));
    EXPECT_EQ(error, EINVAL);
    EXPECT_EQ(tree(), Set{"dest/"});
}

TEST_F(HostileArchive, LongNamesAreCutTo255Bytes) {
    std::string longest(255, 'n');
    ZipWriter zip;
    zip.addFile(longest, "255").addFile(std::string(300, 'm'), "300");
    ASSERT_TRUE(extract(zip));
    EXPECT_EQ(tree(), (Set{"dest/", "dest/" + longest, "dest/" + std::string(255, 'm')}));
    EXPECT_EQ(read("dest/" + std::string(255, 'm')), "300");
}

TEST_F(HostileArchive, LinkEntriesBecomePlainFiles) {
    ZipEntry link("link", "../../outside");
    link.unixMode = 0120777;
    ZipWriter zip;
    zip.add(link);
    ASSERT_TRUE(extract(zip));
    EXPECT_EQ(tree(), (Set{"dest/", "dest/link"}));
    EXPECT_EQ(read("dest/link"), "../../outside");
}

TEST_F(HostileArchive, LinksAlreadyInTheDestinationAreNeverFollowed) {
    std::string outside = root + "/outside.txt";
    std::ofstream(outside) << "keep";
    ASSERT_EQ(symlink(outside.c_str(), (dest + "evil").c_str()), 0);
    // Dangling: following it would create the folder it names.
    ASSERT_EQ(symlink((root + "/made").c_str(), (dest + "docs").c_str()), 0);
    ZipWriter zip;
    zip.addFile("docs/a.txt", "into a fresh folder").addFile("evil", "overwrite");
    EXPECT_FALSE(extract(zip));
    EXPECT_EQ(error, ELOOP);
    EXPECT_EQ(tree(),
              (Set{"dest/", "dest/evil@", "dest/docs@", "dest/docs.1/", "dest/docs.1/a.txt"}));
    EXPECT_FALSE(std::filesystem::exists(root + "/made"));
    EXPECT_EQ(read("../outside.txt"), "keep");
}

TEST_F(HostileArchive, UndecodableAndEncryptedEntriesFail) {
    EXPECT_FALSE(extract(ZipWriter().addFile("\xFF\xFF.txt", "x")));
    EXPECT_EQ(error, EILSEQ);
    ZipEntry encrypted("secret.txt", std::string(100, 's'), true);
    encrypted.encrypted = true;
    EXPECT_FALSE(extract(ZipWriter().add(encrypted)));
    EXPECT_EQ(error, ENOTSUP);
    EXPECT_EQ(tree(), Set{"dest/"});
}
