// Bad command lines and scope files: one clear message on standard error, exit status 2,
// nothing discovered and no results file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "support/EngineProcess.h"
#include "support/ResultsQuery.h"

namespace {

struct BadInput {
  const char* what;
  const char* args;     // split at spaces; "SCOPE" is replaced by the scope file's path
  const char* scope;    // scope file text, or null
  const char* message;  // a fragment of the message
};

const BadInput kBadInputs[] = {
    {"no device", "", nullptr, "no devices"},
    {"unknown short option", "-z 127.0.0.1", nullptr, "unknown option '-z'"},
    {"unknown long option", "--frobnicate 127.0.0.1", nullptr, "unknown option '--frobnicate'"},
    {"option without its value", "127.0.0.1 -c", nullptr, "option -c needs a value"},
    {"bad SNMP version", "-v 4 127.0.0.1", nullptr, "SNMP version '4'"},
    {"bad security level", "-l authpirv 127.0.0.1", nullptr, "security level"},
    {"bad time-out", "-t 0 127.0.0.1", nullptr, "timeout '0'"},
    {"max-repetitions zero", "-Cr 0 127.0.0.1", nullptr, "max-repetitions '0'"},
    {"max-repetitions negative", "-Cr -5 127.0.0.1", nullptr, "max-repetitions '-5'"},
    {"max-repetitions over the limit", "-Cr1001 127.0.0.1", nullptr, "max-repetitions '1001'"},
    {"max-repetitions not a number", "-Cr2x 127.0.0.1", nullptr, "max-repetitions '2x'"},
    {"max-repetitions without its value", "127.0.0.1 -Cr", nullptr, "option -Cr needs a value"},
    {"-C with another letter", "-Cc 127.0.0.1", nullptr, "option -Cc is not supported"},
    {"bad thread count", "-j 0 127.0.0.1", nullptr, "engine threads"},
    {"bad trace level", "-d 9 127.0.0.1", nullptr, "trace level"},
    {"bad forwarding-table mode", "--fdb sometimes 127.0.0.1", nullptr,
     "--fdb 'sometimes' must be always, auto or never"},
    {"malformed address", "10.0.0.300", nullptr, "'10.0.0.300' is not a valid IPv4 address"},
    {"bad port", "127.0.0.1:70000", nullptr, "bad port number"},
    {"tcp transport", "tcp:127.0.0.1", nullptr, "only UDP"},
    {"same device twice", "127.0.0.1 127.0.0.1:161", nullptr, "listed twice"},
    {"v3 without passphrase", "-v3 -l authPriv -u ops 127.0.0.1", nullptr,
     "passphrase must have at least 8 characters"},
    {"results to stdout with traces", "-d 1 -o - 127.0.0.1", nullptr, "standard output"},
    {"results folder missing", "-o /nonexistent-folder/r.json 127.0.0.1", nullptr, "no folder"},
    {"picture folder missing", "--dot /nonexistent-folder/t.dot 127.0.0.1", nullptr,
     "cannot write DOT to /nonexistent-folder/t.dot"},
    {"picture to standard output", "--svg - 127.0.0.1", nullptr, "--svg needs a file"},
    {"results and picture in one file", "-o r.json --dot ./r.json 127.0.0.1", nullptr,
     "-o r.json and --dot ./r.json name the same file"},
    {"picture to standard output by name with traces", "-d 1 --dot /dev/stdout 127.0.0.1", nullptr,
     "the agent's traces go to standard output"},
    {"unreadable scope file", "--scope /nonexistent/scope.yaml", nullptr, "no such file"},
    {"replay without recording", "--replay /tmp 127.0.0.1", nullptr, "no recording"},
    {"malformed YAML", "--scope SCOPE", "devices: [127.0.0.1\n", "malformed YAML"},
    {"empty scope", "--scope SCOPE", "", "needs a 'devices' list"},
    {"unknown scope key", "--scope SCOPE", "devices: [127.0.0.1]\npingg: []\n",
     "line 2: unknown key 'pingg'"},
    {"misspelt device setting", "--scope SCOPE",
     "devices:\n  - address: 127.0.0.1\n    comunity: x\n", "line 3: unknown device setting"},
    {"device without address", "--scope SCOPE", "devices:\n  - name: sw\n", "without an address"},
    {"bad max_repetitions in the scope", "--scope SCOPE",
     "defaults: {max_repetitions: 5000}\ndevices: [127.0.0.1]\n",
     "line 1: max-repetitions is not a count from 1 to 1000"},
    {"bad download_fdb", "--scope SCOPE",
     "devices:\n  - {address: 127.0.0.1, download_fdb: maybe}\n", "true or false"},
    {"bad static ARP MAC", "--scope SCOPE",
     "devices: [127.0.0.1]\nstatic_arp: {\"00:11:22:33:44\": 127.0.0.9}\n", "not a MAC address"},
    {"bad ping entry", "--scope SCOPE", "devices: [127.0.0.1]\nping: [127.0.0.0/33]\n",
     "not a valid CIDR block"},
    {"ping block with host bits", "--scope SCOPE", "devices: [127.0.0.1]\nping: [127.0.0.1/24]\n",
     "host bits set"},
    {"site's ping entry without addresses", "--scope SCOPE",
     "devices: [127.0.0.1]\nping:\n  - {site: lab}\n", "line 3: a ping entry with a site needs"},
    {"site's ping entry with a stray key", "--scope SCOPE",
     "devices: [127.0.0.1]\nping:\n  - {addresses: 127.0.0.1, sight: lab}\n",
     "line 3: unknown ping entry setting 'sight'"},
    {"too many ping addresses", "--scope SCOPE", "devices: [127.0.0.1]\nping: [127.0.0.0/19]\n",
     "--allow-large-scope"},
    {"recording missing", "--scope SCOPE",
     "devices:\n  - {address: 127.0.0.1, recording: nothere.snmprec}\n", "not a readable file"},
    {"empty replay folder", "--replay= 127.0.0.1", nullptr, "--replay needs a folder"},
    {"empty scope file name", "--scope= 127.0.0.1", nullptr, "--scope needs a file"},
    {"a store named by an address", "--db=127.0.0.5:5432 127.0.0.1", nullptr,
     "127.0.0.5:5432: that is an address, not a store"},
    {"bad device time-out", "--device-timeout -1 127.0.0.1", nullptr, "time-out '-1'"},
    {"two devices lists", "--scope SCOPE", "devices: [127.0.0.1]\nping: []\ndevices: [127.0.0.2]\n",
     "line 3: 'devices' is given twice (first on line 1)"},
    {"a device setting twice", "--scope SCOPE",
     "devices:\n  - address: 127.0.0.1\n    address: 127.0.0.2\n",
     "line 3: 'address' is given twice (first on line 2)"},
    {"a static ARP MAC written twice", "--scope SCOPE",
     "devices: [127.0.0.1]\nstatic_arp:\n  \"00:11:22:33:44:55\": 127.0.0.8\n"
     "  \"0011.2233.4455\": 127.0.0.9\n",
     "line 4: '00:11:22:33:44:55' is given twice (first on line 3)"},
    {"two devices with one name", "--scope SCOPE",
     "devices:\n  - {address: 127.0.0.1, name: sw}\n  - {address: 127.0.0.2, name: sw}\n",
     "line 3: another device has the same name"},
    // A secret on a malformed line is never echoed (checked for every case), wherever the
    // parser takes it: for an address, a key, a YAML alias or a ping entry.
    {"a secret folded into an address", "--scope SCOPE",
     "devices:\n  - address: 127.0.0.1\n      community:S3cr3t\n", "line 2: the address"},
    {"a secret taken for a device", "--scope SCOPE", "devices:\n  - community:S3cr3t\n",
     "line 2: the address"},
    {"a secret taken for a key", "--scope SCOPE",
     "defaults:\n  community:S3cr3t: x\ndevices: [127.0.0.1]\n",
     "line 2: unknown setting 'community...' in defaults"},
    {"a secret named by an alias", "--scope SCOPE",
     "devices: [127.0.0.1]\ndefaults: {community: *S3cr3t}\n",
     "malformed YAML: the referenced anchor is not defined"},
    {"a secret taken for a ping entry", "--scope SCOPE",
     "devices: [127.0.0.1]\nping:\n  - community:S3cr3t\n", "line 3: ping entry: the entry"},
    {"a secret taken for a port", "--scope SCOPE",
     "devices:\n  - {address: 127.0.0.1, port: S3cr3t}\n", "line 2: port is not a UDP port"},
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const BadInput& c, std::ostream* os) { *os << c.what; }

class BadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, ExitsWithOneClearMessage) {
  const BadInput& c = GetParam();
  TempDir dir;
  std::string scope = c.scope ? dir.Write("scope.yaml", c.scope) : "";
  std::vector<std::string> args;
  std::istringstream words(c.args);
  for (std::string a; words >> a;) args.push_back(a == "SCOPE" ? scope : a);
  EngineProcessResult r = RunEngineProcess(args, dir.Path(), 30);
  EXPECT_EQ(r.exitCode, 2) << r.err;
  EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  EXPECT_EQ(r.err.rfind("extreme-disco: ", 0), 0u) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.find("S3cr3t"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/results.json"));
}

INSTANTIATE_TEST_SUITE_P(Engine, BadInputTest, ::testing::ValuesIn(kBadInputs),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                           std::string name = info.param.what;
                           for (char& ch : name) {
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

TEST(CommandLineTest, AScopeFileWithASecretMustBePrivate) {
  TempDir dir;
  std::string scope = dir.Write("scope.yaml",
                                "devices:\n  - {name: core-1, address: 127.0.0.11, "
                                "community: s3cret, recording: " +
                                    SampleRecording("core-1") + "}\n");
  std::vector<std::string> args = {"--scope", scope, "--no-ping", "-q", "-o", "r.json"};
  // Reading and writing by group or others are both refused.
  for (mode_t mode : {0640, 0620, 0602}) {
    ASSERT_EQ(chmod(scope.c_str(), mode), 0);
    EngineProcessResult shared = RunEngineProcess(args, dir.Path(), 30);
    EXPECT_EQ(shared.exitCode, 2);
    EXPECT_NE(shared.err.find("group or others may read or write it"), std::string::npos)
        << shared.err;
    EXPECT_NE(shared.err.find("chmod 600 " + scope), std::string::npos) << shared.err;
    EXPECT_EQ(shared.err.find("s3cret"), std::string::npos);  // the secret is never echoed
  }
  ASSERT_EQ(chmod(scope.c_str(), 0600), 0);
  if (getuid() == 0) {  // only root can give a file away
    ASSERT_EQ(chown(scope.c_str(), 4242, static_cast<gid_t>(-1)), 0);
    EngineProcessResult other = RunEngineProcess(args, dir.Path(), 30);
    EXPECT_EQ(other.exitCode, 2);
    EXPECT_NE(other.err.find("belongs to another user (uid 4242)"), std::string::npos) << other.err;
    ASSERT_EQ(chown(scope.c_str(), 0, static_cast<gid_t>(-1)), 0);
  }
  EXPECT_EQ(RunEngineProcess(args, dir.Path(), 60).exitCode, 0);
}

// A FIFO as the results file used to hang the run: it is refused before any device is asked
// (the other unsafe outputs are among kBadInputs); standard output by its name is written as "-"
// is.
TEST(CommandLineTest, OutputTargetsAreCheckedBeforeTheRun) {
  TempDir dir;
  ASSERT_EQ(mkfifo((dir.Path() + "/fifo").c_str(), 0600), 0);
  const std::string sample = std::string(DISCO_SOURCE_DIR) + "/examples/sample-network";
  EngineProcessResult fifo =
      RunEngineProcess({"--scope", sample + ".yaml", "-o", "fifo"}, dir.Path(), 30);
  EXPECT_EQ(fifo.exitCode, 2) << fifo.err;
  EXPECT_EQ(fifo.err.rfind("extreme-disco: results file fifo is a FIFO", 0), 0u) << fifo.err;
  EXPECT_EQ(std::count(fifo.err.begin(), fifo.err.end(), '\n'), 1) << fifo.err;
  EngineProcessResult r = RunEngineProcess(
      {"--scope", sample + ".yaml", "--replay", sample, "--no-ping", "-q", "-o", "/dev/stdout"},
      dir.Path(), 60);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Json::parse(r.out)["devices"].size(), 5u);
  EXPECT_NE(r.err.find("5 of 5 devices discovered"), std::string::npos) << r.err;
}

TEST(CommandLineTest, HelpGoesToStandardOutputAndSucceeds) {
  EngineProcessResult r = RunEngineProcess({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("Exit status"), std::string::npos) << r.out;
  // bench/engine.py takes the program for one with -Cr when its help names it.
  EXPECT_NE(r.out.find("-Cr N"), std::string::npos);
}

}  // namespace
