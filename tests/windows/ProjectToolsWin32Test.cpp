// PHP found in the usual Windows folders and run through cmd.exe from paths with
// blanks, with copies of this test executable standing in for php.exe.
#include "components/ProjectTools.h"
#include "platform/ToolSearch.h"

#include "TempFolder.h"
#include "WineTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <windows.h>

namespace {

namespace fs = std::filesystem;

void FakePhp(const fs::path& AFolder) {
    fs::create_directories(AFolder);
    fs::copy_file(platform::PathFromUtf8(platform::ModuleFileName()), AFolder / "php.exe", fs::copy_options::overwrite_existing);
}

// Sets PATH for this process and its children while it lives.
class TestSearchPath {
public:
    explicit TestSearchPath(const std::string& AValue) {
        const char* saved = std::getenv("PATH");
        FSaved = saved ? saved : "";
        Set(AValue);
    }
    ~TestSearchPath() { Set(FSaved); }

private:
    static void Set(const std::string& AValue) {
        _putenv_s("PATH", AValue.c_str());
        SetEnvironmentVariableA("PATH", AValue.c_str());
    }
    std::string FSaved;
};

}  // namespace

TEST(ProjectToolsWin32, FindsPhpInTheUsualFolders) {
    testsupport::TempFolder temp;
    const fs::path bundle = temp.Path() / "bundle dir" / "bin" / "php";
    FakePhp(bundle / "php-7.4.3");
    FakePhp(bundle / "php-8.1.0");
    const fs::path plain = temp.Path() / "php here";
    FakePhp(plain);
    const std::string none = testsupport::Utf8(temp.Path() / "none");
    const std::string bundleStar = testsupport::Utf8(bundle) + "\\*";

    {
        const TestSearchPath path(testsupport::Utf8(temp.Path() / "empty"));
        EXPECT_EQ(platform::FindPhpProgram({none, bundleStar, testsupport::Utf8(plain)}),
                  testsupport::Utf8(bundle / "php-8.1.0" / "php.exe"));
        EXPECT_EQ(platform::FindPhpProgram({testsupport::Utf8(plain), bundleStar}),
                  testsupport::Utf8(plain / "php.exe"));
        EXPECT_EQ(platform::FindPhpProgram({none}), "");
    }
    // A PHP folder on the search path wins: commands then call plain "php".
    const TestSearchPath path(testsupport::Utf8(plain) + ";C:\\windows\\system32;C:\\windows");
    EXPECT_EQ(platform::FindPhpProgram({bundleStar}), "php");
}

TEST(ProjectToolsWin32, UsualFoldersFollowTheBundleLayoutsOnTheDriveRoot) {
    testsupport::TempFolder temp;
    FakePhp(temp.Path() / "stack" / "bin" / "php" / "php-8.2.0");
    FakePhp(temp.Path() / "server" / "php");
    const std::string root = testsupport::Utf8(temp.Path());
    const std::vector<std::string> folders = platform::UsualPhpFolders(root);
    ASSERT_FALSE(folders.empty());
    EXPECT_EQ(folders.front(), root + "\\php");
    const TestSearchPath path(testsupport::Utf8(temp.Path() / "empty"));
    // "server" comes before "stack" by name: its php folder is found first.
    EXPECT_EQ(platform::FindPhpProgram(folders), testsupport::Utf8(temp.Path() / "server" / "php" / "php.exe"));
    fs::remove_all(temp.Path() / "server");
    EXPECT_EQ(platform::FindPhpProgram(platform::UsualPhpFolders(root)),
              testsupport::Utf8(temp.Path() / "stack" / "bin" / "php" / "php-8.2.0" / "php.exe"));
}

TEST(ProjectToolsWin32, PhpWithBlanksInItsPathRunsThroughTheInterpreter) {
    testsupport::TempFolder temp;
    const fs::path php = temp.Path() / "Program Files" / "php 8";
    FakePhp(php);
    const fs::path project = temp.Path() / "my project";
    fs::create_directories(project);

    TProjectTools tools;
    tools.PhpProgram = testsupport::Utf8(php / "php.exe");
    const std::string line = RouteCommandLine(tools, "php -v");
    EXPECT_EQ(line, "\"" + tools.PhpProgram + "\" -v");
    const TProbeResult result = RunProbe(line, testsupport::Utf8(project));
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    EXPECT_EQ(VersionFromReport(result.Output), "8.1.0") << result.Output;
}

namespace {

std::string Hex(const std::string& AText) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char c : AText) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

}  // namespace

// A project's environment set through the real cmd.exe: the stand-in PHP prints what
// arrived. cmd.exe's operators, percent signs (also ones that name a variable) and text
// outside ASCII arrive unchanged; a value cmd.exe cannot carry stops the run with a note.
TEST(ProjectToolsWin32, EnvironmentValuesArriveThroughTheInterpreter) {
    testsupport::TempFolder temp;
    const fs::path php = temp.Path() / "php dir";
    FakePhp(php);
    TProjectTools tools;
    tools.PhpProgram = testsupport::Utf8(php / "php.exe");
    const std::string line = std::string("php ") + testsupport::PrintVariableArgument + " TW_VALUE";

    for (const std::string value : {"plain", "a b & c | d > e < f ^ g ( h ) ; i , j", "100% %PATH% %cd% %%",
                                    "!PATH! 'single'", "=x=y", "caf\xc3\xa9 \xe2\x82\xac"}) {
        tools.Environment = {"OTHER=1", "TW_VALUE=" + value};
        const std::string routed = RouteCommandLine(tools, line);
        const TProbeResult result = RunProbe(routed, testsupport::Utf8(temp.Path()));
        EXPECT_EQ(result.ExitCode, 0) << routed << "\n" << result.Output;
        EXPECT_EQ(result.Output, Hex(value)) << routed;
    }
    // cmd.exe removes a variable set to nothing.
    tools.Environment = {"TW_VALUE="};
    EXPECT_EQ(RunProbe(RouteCommandLine(tools, line), testsupport::Utf8(temp.Path())).Output, "-");

    for (const std::string value : {"say \"hi\"", "two\nlines", "cr\rhere"}) {
        tools.Environment = {"TW_VALUE=" + value};
        const std::string routed = RouteCommandLine(tools, line);
        const TProbeResult result = RunProbe(routed, testsupport::Utf8(temp.Path()));
        EXPECT_EQ(result.ExitCode, 1) << routed << "\n" << result.Output;
        EXPECT_NE(result.Output.find("Not run"), std::string::npos) << result.Output;
        EXPECT_NE(result.Output.find("TW_VALUE"), std::string::npos) << result.Output;
    }
}

// The WSL route through the real cmd.exe: a stand-in wsl.exe on the search path prints
// the command line it got. What follows " -- " arrives as the route wrote it (the
// distribution's shell takes it from there), whatever the typed values held.
TEST(ProjectToolsWin32, WslLinesReachWslExeAsWritten) {
    testsupport::TempFolder temp;
    const fs::path bin = temp.Path() / "wsl bin";
    fs::create_directories(bin);
    fs::copy_file(platform::PathFromUtf8(platform::ModuleFileName()), bin / "wsl.exe", fs::copy_options::overwrite_existing);
    const TestSearchPath path(testsupport::Utf8(bin) + ";C:\\windows\\system32;C:\\windows");

    TProjectTools tools;
    tools.Route = TProjectTools::TRoute::Wsl;
    tools.WslDistribution = "Ubuntu-22.04";
    tools.WslFolder = "/home/me/my blog & co";
    for (const std::string line : {std::string("php artisan migrate --force"),
                                   std::string("php artisan about --only='a & b | c > d ^ e % f ! g (h)'")}) {
        const std::string routed = RouteCommandLine(tools, line);
        const TProbeResult result = RunProbe(routed, testsupport::Utf8(temp.Path()));
        EXPECT_EQ(result.ExitCode, 0) << routed << "\n" << result.Output;
        const std::string rest = routed.substr(routed.find(" -d "));
        ASSERT_GE(result.Output.size(), rest.size()) << result.Output;
        EXPECT_EQ(result.Output.substr(result.Output.size() - rest.size()), rest) << result.Output;
    }
}
