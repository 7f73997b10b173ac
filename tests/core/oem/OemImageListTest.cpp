#include "OemImageList.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {
class OemImages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder =
            fs::temp_directory_path() / ("oemimages-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // A real file of size bytes (sparse, so big ones cost nothing).
    std::string File(const std::string& name, std::uintmax_t size = 100)
    {
        const fs::path path = m_folder / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << 'x';
        fs::resize_file(path, size);
        return path.string();
    }

    fs::path m_folder;
};
} // namespace

TEST_F(OemImages, BrowseKeepsTenSmallFilesInOrderAndSkipsBigOnes)
{
    std::vector<std::string> chosen;
    for (int i = 0; i < 12; ++i) {
        chosen.push_back(File("logo" + std::to_string(i) + ".bmp"));
    }
    // A 3 MiB file among them is skipped and does not count towards the ten.
    chosen.insert(chosen.begin() + 2, File("big.bmp", 3 * 1024 * 1024));
    const std::vector<std::string> kept = ChooseOemImages(chosen);
    std::vector<std::string> expected(chosen.begin(), chosen.begin() + 2);
    expected.insert(expected.end(), chosen.begin() + 3, chosen.begin() + 11);
    EXPECT_EQ(kept, expected);
    const std::string list = JoinOemImageList(kept);
    EXPECT_EQ(list.substr(0, chosen[0].size() + 1), chosen[0] + "*") << "the first path unchanged";
    EXPECT_EQ(std::count(list.begin(), list.end(), '*'), 9);
}

TEST_F(OemImages, TwoMebibytesExactlyIsAlreadyTooBig)
{
    const std::string below = File("below.jpg", kMaxOemImageBytes - 1);
    const std::string exact = File("exact.jpg", kMaxOemImageBytes);
    EXPECT_EQ(ChooseOemImages({exact, below}), std::vector<std::string>{below});
    EXPECT_TRUE(ChooseOemImages({exact}).empty()) << "every file skipped leaves an empty list";
    EXPECT_EQ(CheckOemImages({below}).key, 0u);
    const OemImageProblem big = CheckOemImages({below, exact});
    EXPECT_EQ(big.key, 90013u);
    EXPECT_EQ(big.path, exact);
}

TEST_F(OemImages, BrowseSkipsWhatTheListCannotCarry)
{
    const std::string ok = File("ok.png");
    const std::string star = File("a*b.png");
    fs::create_directories(m_folder / "folder.png");
    const std::string missing = (m_folder / "missing.png").string();
    EXPECT_EQ(ChooseOemImages({star, (m_folder / "folder.png").string(), missing, ok}),
              std::vector<std::string>{ok});

    // Ten long paths cannot all fit the box's 2599 characters: the one that
    // would overflow is left out rather than cut into another file's name.
    std::vector<std::string> longPaths;
    for (int i = 0; i < 10; ++i) {
        longPaths.push_back(
            File(std::string(200, static_cast<char>('a' + i)) + "/" + std::string(100, 'n') + ".png"));
    }
    const std::vector<std::string> kept = ChooseOemImages(longPaths);
    EXPECT_LT(kept.size(), 10u);
    EXPECT_LE(JoinOemImageList(kept).size(), kMaxOemImageListChars);
    EXPECT_EQ(kept, std::vector<std::string>(longPaths.begin(),
                                             longPaths.begin() + static_cast<long>(kept.size())));
}

TEST_F(OemImages, TypedListsSplitAtEveryStar)
{
    EXPECT_EQ(SplitOemImageList("/a/x.bmp"), std::vector<std::string>{"/a/x.bmp"});
    EXPECT_EQ(SplitOemImageList(" /a/x.bmp *  /b/my logo.jpg**/c.png* "),
              (std::vector<std::string>{"/a/x.bmp", "/b/my logo.jpg", "/c.png"}));
    EXPECT_TRUE(SplitOemImageList(" * * ").empty());
    const std::vector<std::string> paths{"/x/1.bmp", "/y/2.bmp"};
    EXPECT_EQ(SplitOemImageList(JoinOemImageList(paths)), paths);
    EXPECT_EQ(OemStoredName("/y/2.bmp"), "2.bmp");
    EXPECT_EQ(OemStoredName("2.bmp"), "2.bmp");
}

TEST_F(OemImages, UploadRefusesFilesTheCameraWouldMisfile)
{
    const std::string logo = File("logo.bmp");
    const std::string other = File("other/LOGO.bmp");
    const std::string config = File("elsewhere/vtoem.cfg");
    const std::string missing = (m_folder / "gone.bmp").string();
    EXPECT_EQ(CheckOemImages({logo}).key, 0u);
    for (const auto& [paths, atFault] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{logo, missing}, missing},
             {{logo, other}, other},
             {{config}, config},
             {{m_folder.string()}, m_folder.string()}}) {
        const OemImageProblem problem = CheckOemImages(paths);
        EXPECT_EQ(problem.key, 90034u) << atFault;
        EXPECT_EQ(problem.path, atFault);
    }
}
