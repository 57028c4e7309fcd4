// The SSH route: the client's arguments, hostile settings against the real /bin/sh and
// the real client's option parser, and runs through a private sshd on 127.0.0.1.
#include "ProcessTable.h"
#include "TempFolder.h"
#include "components/Exception.h"
#include "components/ProjectTools.h"
#include "components/ToolRead.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

using testsupport::TempFolder;
namespace fs = std::filesystem;

std::string ReadAll(const fs::path& AFile) {
    std::ifstream file(AFile, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& AFile, const std::string& AText) { std::ofstream(AFile, std::ios::binary) << AText; }

// Runs a shell line and gives its output (standard error too) and exit code.
std::pair<std::string, int> Shell(const std::string& ALine) {
    FILE* pipe = ::popen((ALine + " 2>&1").c_str(), "r");
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    const int status = ::pclose(pipe);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string Sh(const std::string& AWord) {
    std::string quoted = "'";
    for (const char c : AWord) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

TProjectTools SshTools(const std::string& AHost = "deploy@web1", const std::string& AFolder = "/srv/blog") {
    TProjectTools tools;
    tools.Route = TProjectTools::TRoute::Ssh;
    tools.SshHost = AHost;
    tools.SshFolder = AFolder;
    return tools;
}

TEST(SshRoute, ArgumentsCarryEachSettingInItsPlace) {
    TProjectTools tools = SshTools();
    tools.SshPort = "2222";
    tools.SshIdentity = "/home/me/.ssh/id_blog";
    const std::vector<std::string> arguments = SshArguments(tools, "php -v");
    const std::vector<std::string> head(arguments.begin(), arguments.end() - 1);
    EXPECT_EQ(head, (std::vector<std::string>{"ssh", "-o", "BatchMode=yes", "-o", "ConnectTimeout=10", "-p", "2222",
                                              "-i", "/home/me/.ssh/id_blog", "--", "deploy@web1"}));
    EXPECT_EQ(arguments.back().rfind("cd -- /srv/blog && { ", 0), 0u) << arguments.back();
    // A terminal is asked for only when wanted, and the command then runs as given.
    const std::vector<std::string> withTerminal = SshArguments(tools, "php -v", true);
    EXPECT_EQ(withTerminal[withTerminal.size() - 4], "-tt");
    EXPECT_EQ(withTerminal.back(), "cd -- /srv/blog && { php -v\n}");
    // No port or identity: neither option.
    const std::vector<std::string> plain = SshArguments(SshTools(), "php -v");
    EXPECT_EQ(std::count(plain.begin(), plain.end(), "-p") + std::count(plain.begin(), plain.end(), "-i"), 0);
}

TEST(SshRoute, RoutesPhpAndComposerLinesThroughTheHostsPrograms) {
    TProjectTools tools = SshTools();
    tools.PhpProgram = "/opt/php 8/bin/php";
    tools.Environment = {"APP_ENV=local"};
    const std::string routed = RouteCommandLine(tools, "php artisan migrate --force");
    EXPECT_EQ(routed.rfind("ssh -o BatchMode=yes ", 0), 0u) << routed;
    // The host's command, quoted once for the host's shell inside the local quoting.
    const std::string remote = SshArguments(tools, "APP_ENV=local '/opt/php 8/bin/php' artisan migrate --force").back();
    EXPECT_NE(routed.find(Sh(remote)), std::string::npos) << routed;
    tools.ComposerProgram = "composer.phar";
    EXPECT_NE(RouteCommandLine(tools, "composer install").find("php 8/bin/php'\\'' composer.phar install"),
              std::string::npos);
    // Other lines are left alone.
    EXPECT_EQ(RouteCommandLine(tools, "ls -la"), "ls -la");
}

// Values that could turn into a client option or a second command are refused, each
// with a message that names the setting.
TEST(SshRoute, RefusesHostileHostPortAndOptions) {
    struct TCase {
        const char* Field;
        std::string Value;
        const char* Message;
    };
    const std::vector<TCase> cases = {
        {"host", "-oProxyCommand=touch /tmp/x", "SSH host"},
        {"host", "-p2222", "SSH host"},
        {"host", "web1;touch x", "SSH host"},
        {"host", "web1 touch", "SSH host"},
        {"host", "$(touch x)", "SSH host"},
        {"host", "`touch x`", "SSH host"},
        {"host", "'web1'", "SSH host"},
        {"host", "web1\ntouch x", "SSH host"},
        {"host", "me@-oProxyCommand=x", "SSH host"},
        {"host", "-me@web1", "SSH host"},
        {"host", "web1%h", "SSH host"},
        {"host", std::string("web1\0;x", 7), "SSH host \"web1?;x\""},
        {"host", "", "Enter the SSH host"},
        {"port", "22;touch x", "SSH port"},
        {"port", "-1", "SSH port"},
        {"port", "0", "SSH port"},
        {"port", "65536", "SSH port"},
        {"port", "-oProxyCommand=x", "SSH port"},
        {"folder", "/srv/blog\ntouch x", "folder"},
        {"folder", "", "folder"},
        {"identity", "/k\rtouch x", "identity"},
        {"identity", "/keys/%d/id", "identity"},
        {"option", "ProxyCommand", "SSH option"},
        {"option", "-oProxyCommand=x", "SSH option"},
        {"option", "A=b\nc", "SSH option"},
    };
    for (const TCase& c : cases) {
        TProjectTools tools = SshTools();
        const std::string field = c.Field;
        if (field == "option")
            tools.SshOptions = {c.Value};
        else
            (field == "host"     ? tools.SshHost
             : field == "port"   ? tools.SshPort
             : field == "folder" ? tools.SshFolder
                                 : tools.SshIdentity) = c.Value;
        const std::string problem = SshSettingsProblem(tools);
        EXPECT_NE(problem.find(c.Message), std::string::npos) << field << " " << c.Value << ": " << problem;
        try {
            RouteCommandLine(tools, "php -v");
            ADD_FAILURE() << field << " " << c.Value << " was routed";
        } catch (const Exception& error) {
            EXPECT_EQ(error.what(), problem);
        }
    }
    for (const char* host : {"web1", "deploy@web1.example.org", "me_2@h-1", "[::1]", "root@[fe80::1]"})
        EXPECT_EQ(SshSettingsProblem(SshTools(host)), "") << host;
}

// Values that are taken reach the client and the host's shell verbatim: the line runs in
// the real /bin/sh with a stand-in client that writes down its arguments, the real
// client's parser reads them (ssh -G), and the host's command runs in /bin/sh in a
// folder made with the hostile name. Nothing else ever runs.
TEST(SshRoute, PassesHostileFolderAndIdentityVerbatim) {
    TempFolder temp;
    const fs::path bin = temp / "bin";
    fs::create_directories(bin);
    WriteAll(bin / "ssh", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$ARGS_FILE\"\n");
    fs::permissions(bin / "ssh", fs::perms::owner_all);

    const std::vector<std::string> hostile = {
        "-x", "--", "-oProxyCommand=touch pwned", "a;touch pwned", "$(touch pwned)", "`touch pwned`",
        "it's \"q\"", "x && touch pwned", "a|touch pwned", "%d %h %%", "~x", "* ?", "a\\b", "x' ; touch pwned ; '"};
    for (const std::string& value : hostile) {
        SCOPED_TRACE(value);
        TProjectTools tools = SshTools("tester@127.0.0.1");
        const fs::path folder = temp / "remote" / value;
        fs::create_directories(folder);
        tools.SshFolder = folder.string();
        // The client reads "%" in an identity file's name as a token: refused above.
        tools.SshIdentity = (temp / (value.find('%') == std::string::npos ? value : "key")).string();
        WriteAll(tools.SshIdentity, "");  // the client lists only a file that exists
        tools.SshPort = "2201";
        const std::string line = SshCommandLine(tools, "pwd");
        const fs::path argsFile = temp / "args";
        WriteAll(temp / "run.sh", line + "\n");
        const auto [shellOutput, code] =
            Shell("cd " + Sh(temp.Path().string()) + " && ARGS_FILE=" + Sh(argsFile.string()) +
                  " PATH=" + Sh(bin.string()) + ":/usr/bin:/bin /bin/sh run.sh");
        ASSERT_EQ(code, 0) << shellOutput;
        std::vector<std::string> recorded;
        std::istringstream args(ReadAll(argsFile));
        for (std::string word; std::getline(args, word, '\0');) recorded.push_back(word);
        const std::vector<std::string> expected = SshArguments(tools, "pwd");
        ASSERT_EQ(recorded, std::vector<std::string>(expected.begin() + 1, expected.end()));

        // The real client's parser: the identity file verbatim, the host and port as set.
        std::string parse = "ssh -F /dev/null -G";
        for (std::size_t i = 0; i + 1 < recorded.size(); ++i) parse += " " + Sh(recorded[i]);
        const auto [config, parseCode] = Shell(parse);
        ASSERT_EQ(parseCode, 0) << config;
        EXPECT_NE(config.find("\nuser tester\n"), std::string::npos);
        EXPECT_NE(config.find("\nhostname 127.0.0.1\n"), std::string::npos);
        EXPECT_NE(config.find("\nport 2201\n"), std::string::npos);
        EXPECT_NE(config.find("\nidentityfile " + tools.SshIdentity + "\n"), std::string::npos) << config;
        EXPECT_EQ(config.find("proxycommand"), std::string::npos);

        // The host's shell changes to the folder as named and runs only the command.
        const auto [remoteOutput, remoteCode] =
            Shell("cd " + Sh(temp.Path().string()) + " && /bin/sh -c " + Sh(recorded.back()));
        EXPECT_EQ(remoteCode, 0) << remoteOutput;
        EXPECT_EQ(remoteOutput, folder.string() + "\n");
        EXPECT_FALSE(fs::exists(temp / "pwned"));
        EXPECT_FALSE(fs::exists(folder / "pwned"));
    }
}

// A private sshd on 127.0.0.1 with its own host key, a key made for the test and a
// known_hosts file of its own; the "remote" project is a Laravel application.
class SshServer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists("/usr/sbin/sshd"))
            << "/usr/sbin/sshd is missing: scripts/install-deps installs openssh-server";
        if (::geteuid() == 0) fs::create_directories("/run/sshd");  // sshd's own empty folder as root
        for (const char* key : {"host_key", "user_key", "other_host_key"})
            ASSERT_EQ(Shell("ssh-keygen -q -t ed25519 -N '' -f " + Sh(Temp.File(key))).second, 0);
        fs::copy_file(Temp / "user_key.pub", Temp / "authorized_keys");
        Port = FreePort();
        WriteAll(Temp / "sshd_config",
                 "ListenAddress 127.0.0.1\nPort " + std::to_string(Port) + "\nHostKey " + Temp.File("host_key") +
                     "\nAuthorizedKeysFile " + Temp.File("authorized_keys") +
                     "\nStrictModes no\nUsePAM no\nPidFile " + Temp.File("sshd.pid") +
                     "\nPasswordAuthentication no\nKbdInteractiveAuthentication no\nPermitRootLogin "
                     "prohibit-password\nSubsystem sftp internal-sftp\n");
        TrustHostKey("host_key.pub");
        char* argv[] = {const_cast<char*>("/usr/sbin/sshd"), const_cast<char*>("-D"), const_cast<char*>("-e"),
                        const_cast<char*>("-f"), Temp.File("sshd_config").data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, Temp.File("sshd.log").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::string config = Temp.File("sshd_config");
        argv[4] = config.data();
        ASSERT_EQ(posix_spawn(&Sshd, argv[0], &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_TRUE(testsupport::HoldsWithin([&] { return Connects(Port); }, std::chrono::seconds(10)))
            << ReadAll(Temp / "sshd.log");

        Project = (Temp / "remote" / "blog").string();
        const auto [output, code] = Shell(std::string("bash ") + TARNWICK_E2E_DIR "/make-laravel-app.sh " + Sh(Project));
        ASSERT_EQ(code, 0) << output;
        fs::create_directories(Temp / "local");
    }
    void TearDown() override {
        if (Sshd > 0) {
            ::kill(Sshd, SIGTERM);
            ::waitpid(Sshd, nullptr, 0);
        }
    }

    static int FreePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t size = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
        ::close(fd);
        return ntohs(address.sin_port);
    }
    static bool Connects(int APort) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(APort));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return connected;
    }
    void TrustHostKey(const std::string& APublicKey) {
        std::string key = ReadAll(Temp / APublicKey);
        key = key.substr(0, key.rfind(' '));  // without the comment
        WriteAll(Temp / "known_hosts", "[127.0.0.1]:" + std::to_string(Port) + " " + key + "\n");
    }

    TProjectTools Tools(int APort) const {
        TProjectTools tools = SshTools(std::string(::getenv("USER") ? ::getenv("USER") : "root") + "@127.0.0.1",
                                       Project);
        tools.SshPort = std::to_string(APort);
        tools.SshIdentity = Temp.File("user_key");
        tools.SshConnectTimeout = 2;
        tools.SshOptions = {"UserKnownHostsFile=" + Temp.File("known_hosts"), "GlobalKnownHostsFile=/dev/null",
                            "StrictHostKeyChecking=yes", "IdentitiesOnly=yes", "IdentityAgent=none"};
        return tools;
    }
    TToolReadResult Run(const TProjectTools& ATools, const std::string& ALine) {
        TToolRead read(TToolRequest{ALine, Temp.File("local"), ATools, TToolReadLimits::ForChecks()});
        return read.Run();
    }

    TempFolder Temp{"tarnwick-ssh"};
    int Port = 0;
    pid_t Sshd = -1;
    std::string Project;
};

TEST_F(SshServer, ArtisanRunsInTheRemoteProject) {
    const TToolReadResult result = Run(Tools(Port), "php artisan --version");
    ASSERT_EQ(result.End, TToolReadResult::TEnd::Exited) << result.Output;
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    EXPECT_NE(result.Output.find("Laravel Framework "), std::string::npos) << result.Output;
    // The command's exit code comes back through the client.
    EXPECT_EQ(Run(Tools(Port), "php -r \"exit(7);\"").ExitCode, 7);

    // The host check: artisan found in the project, missing elsewhere, and the version.
    const TProbeResult probe = RunProbe(SshCommandLine(Tools(Port), kSshArtisanProbe), Temp.File("local"));
    EXPECT_EQ(SshProbeSummary(probe.ExitCode, probe.Output), "The host answers and the folder holds artisan.")
        << probe.Output;
    TProjectTools elsewhere = Tools(Port);
    elsewhere.SshFolder = Temp.File("local");
    const TProbeResult missing = RunProbe(SshCommandLine(elsewhere, kSshArtisanProbe), Temp.File("local"));
    EXPECT_EQ(SshProbeSummary(missing.ExitCode, missing.Output),
              "The host answers, but the folder holds no artisan file.");
    EXPECT_FALSE(VersionFromReport(Run(Tools(Port), "php -v").Output).empty());
}

TEST_F(SshServer, StopEndsTheRemoteCommand) {
    const std::string marker = "tarnwick-ssh-stop-" + std::to_string(::getpid());
    TToolRead read(TToolRequest{"php -r \"sleep(60); // " + marker + "\"", Temp.File("local"), Tools(Port),
                                TToolReadLimits::ForChecks()});
    const std::vector<std::string> remote = {"php", "-r", "sleep(60); // " + marker};
    std::thread stopper([&] {
        testsupport::HoldsWithin([&] { return !testsupport::ProcessesRunning(remote).empty(); },
                                 std::chrono::seconds(10));
        read.Stop();
    });
    const TToolReadResult result = read.Run();
    stopper.join();
    EXPECT_EQ(result.End, TToolReadResult::TEnd::Stopped) << result.Output;
    EXPECT_TRUE(testsupport::HoldsWithin([&] { return testsupport::ProcessesRunning(remote).empty(); },
                                         std::chrono::seconds(5)))
        << "the remote php is still running";
}

TEST_F(SshServer, ChangedHostKeyRunsNothing) {
    TrustHostKey("other_host_key.pub");
    const TToolReadResult result = Run(Tools(Port), "php -r \"touch('" + Project + "/ran');\"");
    EXPECT_EQ(result.ExitCode, 255);
    EXPECT_NE(result.Output.find("HOST IDENTIFICATION HAS CHANGED"), std::string::npos) << result.Output;
    EXPECT_FALSE(fs::exists(Project + "/ran"));
    EXPECT_NE(FailureHint(Tools(Port), "php -v", result.ExitCode, result.Output, true).find("did not answer"),
              std::string::npos);
}

TEST_F(SshServer, SilentHostTimesOutWithinTheLimit) {
    // A listening socket that takes the connection and never says a word.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    const auto start = std::chrono::steady_clock::now();
    const TToolReadResult result = Run(Tools(ntohs(address.sin_port)), "php -v");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ::close(fd);
    EXPECT_EQ(result.ExitCode, 255) << result.Output;
    EXPECT_NE(result.Output.find("timed out"), std::string::npos) << result.Output;
    EXPECT_LT(elapsed, std::chrono::seconds(8));
    const TProbeResult probe = RunProbe(SshCommandLine(Tools(ntohs(address.sin_port)), kSshArtisanProbe), ".");
    EXPECT_EQ(SshProbeSummary(probe.ExitCode, probe.Output), "The host does not answer or refused the connection.");
}

}  // namespace
