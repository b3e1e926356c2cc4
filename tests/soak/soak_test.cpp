// A fault soak: hundreds of mirca-cli operations against mirca-panelsim processes, each with one random
// fault (a lost byte, a bad CRC, no reply, a dropped link, a held-back reply, the panel killed mid-transfer).
// After every operation it checks that success was reported only when the operation happened, that no
// output file is half-written, that the panel's non-volatile memory holds old or intended bytes only where
// the panel stored a write, and that nothing outlived its time bound.
//
// MIRCA_SOAK_SEED repeats a run (the seed is printed), MIRCA_SOAK_ROUNDS sets its length.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "memmap/block.h"
#include "memmap/memmap.h"
#include "tests/cli_panel.h"
#include "tests/process.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
namespace tp = testing_process;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

using tp::kBin;
const std::string kMap = tp::kMaps + "/937_d_6_4.xml";
constexpr std::size_t kConfigHeader = 13;  // descriptor and image size before the image bytes
constexpr int kReadTimeoutMs = 2000;       // the link's read timeout
constexpr int kFirmwareModeSwitchMs = 30000;

// Bounds of one run: the connection pause, a handful of read timeouts after a fault, and for a firmware
// update the erase wait once. Beyond them the run is taken for hung, killed, and failed.
constexpr auto kBound = std::chrono::milliseconds(8 * kReadTimeoutMs);
constexpr auto kFirmwareBound = std::chrono::milliseconds(kFirmwareModeSwitchMs + 8 * kReadTimeoutMs);

enum class TOp { ConfigRead, ConfigWrite, ConfigWriteVerify, BackupWrite, LogRead, FirmwareWrite, Count };
constexpr std::array<const char*, 6> kOpNames = {"config read",  "config write", "config write --verify",
                                                 "backup write", "log read",     "firmware write"};
// Config runs last seconds (the link's connection pause), the others a fraction of one: weights keep the
// soak's time spread over every operation.
constexpr std::array<unsigned, 6> kOpWeights = {2, 2, 1, 4, 4, 4};

enum class TFault { None, ShortReply, BadCrc, NoReply, Disconnect, ShortStall, LongStall, Kill, Count };
constexpr std::array<const char*, 8> kFaultNames = {"none",       "short reply", "bad crc",    "no reply",
                                                    "disconnect", "short stall", "long stall", "kill"};
constexpr std::array<unsigned, 8> kFaultWeights = {2, 3, 3, 1, 3, 2, 1, 4};

struct TRange {
    std::uint32_t address = 0;
    std::uint32_t size = 0;
};

// What the panel's journal said about one run.
struct TJournal {
    std::vector<TRange> started, stored, finished;
    std::vector<std::string> faults;
    std::vector<std::string> firmware;  // "TYPE MAJOR.MINOR.BUILD" of each taken image
};

TJournal ReadJournal(const fs::path& file) {
    TJournal j;
    std::istringstream in(ReadText(file));
    std::string word;
    while (in >> word) {
        std::string rest;
        std::getline(in, rest);
        std::istringstream fields(rest);
        if (word == "fault") {
            j.faults.push_back(rest);
        } else if (word == "firmware") {
            j.firmware.push_back(rest.substr(rest.find_first_not_of(' ')));
        } else {
            TRange r;
            fields >> std::hex >> r.address >> std::dec >> r.size;
            (word == "started" ? j.started : word == "stored" ? j.stored : j.finished).push_back(r);
        }
    }
    return j;
}

bool Inside(const std::vector<TRange>& ranges, std::size_t at) {
    return std::any_of(ranges.begin(), ranges.end(),
                       [at](const TRange& r) { return at >= r.address && at - r.address < r.size; });
}

// The intended memory after a write: the bytes of the given ranges from `from`, the rest from `base`.
Bytes Overlay(Bytes base, const std::vector<TRange>& ranges, const Bytes& from) {
    for (const TRange& r : ranges) {
        for (std::size_t k = r.address; k < std::size_t{r.address} + r.size && k < base.size(); ++k)
            base[k] = from.at(k);
    }
    return base;
}

// Where two byte strings first differ (their common length when one is a prefix), or nothing when equal.
std::optional<std::size_t> FirstDifference(const Bytes& a, const Bytes& b) {
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (ia == a.end() && ib == b.end()) return std::nullopt;
    return static_cast<std::size_t>(ia - a.begin());
}

// The files of a folder, by name.
std::set<std::string> Listing(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

// One mirca-panelsim process with its own journal; killed or stopped when the object goes.
class TPanelProcess {
public:
    TPanelProcess(const std::vector<std::string>& argv) {
        pid_ = tp::Spawn(argv, &out_, nullptr);
        std::string seen;
        tp::Drain(out_, seen, Clock::now() + std::chrono::milliseconds(50));
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (seen.find("serving on") == std::string::npos && Clock::now() < deadline)
            tp::Drain(out_, seen, std::min(deadline, Clock::now() + std::chrono::milliseconds(100)));
        serving_ = seen.find("serving on") != std::string::npos;
    }
    ~TPanelProcess() { Stop(SIGTERM); }
    bool Serving() const { return serving_; }
    pid_t Pid() const { return pid_; }
    void Stop(int signal) {
        if (pid_ <= 0) return;
        ::kill(pid_, signal);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        ::close(out_);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool serving_ = false;
};

struct TTally {
    unsigned rounds = 0, succeeded = 0, failedTruthfully = 0, faultFired = 0;
    double slowest = 0;  // seconds
};

class Soak : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        const char* seedText = std::getenv("MIRCA_SOAK_SEED");
        seed_ = seedText ? std::strtoull(seedText, nullptr, 0) : std::random_device{}();
        const char* roundsText = std::getenv("MIRCA_SOAK_ROUNDS");
        rounds_ = roundsText ? static_cast<unsigned>(std::strtoul(roundsText, nullptr, 0)) : 300;
        std::printf("soak: seed %llu (MIRCA_SOAK_SEED repeats it), %u rounds\n",
                    static_cast<unsigned long long>(seed_), rounds_);
        std::fflush(stdout);
        rng_.seed(seed_);
        nv_ = dir_ / "nv";
        out_ = dir_ / "out";
        fs::create_directories(nv_);
        fs::create_directories(out_);
    }

    std::vector<std::string> PanelArgs(const fs::path& journal, const std::vector<std::string>& extra) const {
        std::vector<std::string> argv = {kBin + "/mirca-panelsim",
                                         "--socket",
                                         (dir_ / "p.sock").string(),
                                         "--map",
                                         kMap,
                                         "--memory-file",
                                         (nv_ / "memory").string(),
                                         "--journal",
                                         journal.string()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        return argv;
    }
    std::vector<std::string> CliArgs(const std::vector<std::string>& args) const {
        std::vector<std::string> argv = {kBin + "/mirca-cli", "--port", "unix:" + (dir_ / "p.sock").string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    Bytes Memory() const { return ReadBytes(nv_ / "memory"); }

    // A run without faults, for the references the rounds are checked against.
    TJournal Clean(const std::vector<std::string>& args) {
        const fs::path journal = dir_ / "clean.journal";
        fs::remove(journal);
        TPanelProcess panel(PanelArgs(journal, {}));
        EXPECT_TRUE(panel.Serving());
        const auto r = tp::Run(CliArgs(args));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        panel.Stop(SIGTERM);
        return ReadJournal(journal);
    }

    // A configuration file from the reference with the bytes of a random choice of writable blocks
    // inverted, so that every write differs from what the panel holds in a random way.
    fs::path ConfigVariant(const TZelmoMemoryMap& map) {
        Bytes file = baseConfig_;
        for (std::size_t i = 0; i < map.BlockCount(); ++i) {
            const TConfigBlockBase& b = const_cast<TZelmoMemoryMap&>(map).ConfigBlock(i);
            if ((b.Access & kAccessWrite) == 0 || b.name == "descriptor" || rng_() % 2 == 0) continue;
            for (std::uint32_t k = 0; k < b.Size; ++k)
                file.at(kConfigHeader + b.Address + k) ^= 0xFF;
        }
        const fs::path path = dir_ / "in.ycfg";
        WriteBytes(path, file);
        return path;
    }

    std::uint64_t seed_ = 0;
    unsigned rounds_ = 0;
    std::mt19937_64 rng_;
    fs::path nv_, out_;
    Bytes baseConfig_;
};

TEST_F(Soak, EveryRunTellsTheTruthLeavesNoTornFileAndEndsInTime) {
    const TZelmoMemoryMap map(kMap);
    const auto started = Clock::now();

    // References from fault-free runs: the configuration and event log as read, the ranges a configuration
    // write stores, and what each of two registration backups leaves in memory.
    const fs::path baseFile = dir_ / "base.ycfg", baseLog = dir_ / "base.yrpt", backup0 = dir_ / "b0.rrg";
    Clean({"config", "read", baseFile.string()});
    Clean({"log", "read", baseLog.string()});
    Clean({"backup", "read", backup0.string(), "--object", "12", "--address", "3"});
    baseConfig_ = ReadBytes(baseFile);
    const Bytes logFile = ReadBytes(baseLog);
    const Bytes baseMemory = Memory();
    ASSERT_GT(baseConfig_.size(), kConfigHeader);
    ASSERT_FALSE(logFile.empty());
    const std::vector<TRange> configRanges = Clean({"config", "write", baseFile.string()}).finished;
    ASSERT_FALSE(configRanges.empty());
    ASSERT_EQ(Memory(), baseMemory) << "writing the configuration as read changes nothing";

    const std::array<fs::path, 2> backups = {backup0, dir_ / "b1.rrg"};
    WriteBytes(backups[1], InvertedBackup(ReadBytes(backup0)));
    std::array<std::vector<TRange>, 2> backupRanges;
    std::array<Bytes, 2> backupMemory;
    for (std::size_t k : {1u, 0u}) {
        backupRanges[k] = Clean({"backup", "write", backups[k].string()}).finished;
        backupMemory[k] = Memory();
        ASSERT_FALSE(backupRanges[k].empty());
    }
    ASSERT_EQ(Memory(), baseMemory);
    ASSERT_NE(backupMemory[1], baseMemory);
    // A configuration write must not reach the registration data, or the backups' results would depend on it.
    for (const TRange& r : backupRanges[0])
        for (std::size_t a = r.address; a < std::size_t{r.address} + r.size; ++a)
            ASSERT_FALSE(Inside(configRanges, a))
                << "registration byte " << a << " is in a configuration write";

    const std::array<std::pair<std::string, std::string>, 2> images = {
        std::pair<std::string, std::string>{kBin + "/base/Y-PCN_test_v6_4_12.tsk", "937 6.4.12"},
        {kBin + "/base/Y-PCN_test_v6_3_5.tsk", "937 6.3.5"}};

    std::array<TTally, 6> byOp{};
    std::array<TTally, 8> byFault{};
    unsigned failures = 0;
    const auto pick = [this](const auto& weights) {
        std::discrete_distribution<std::size_t> d(weights.begin(), weights.end());
        return d(rng_);
    };
    const auto uniform = [this](unsigned lo, unsigned hi) {
        return std::uniform_int_distribution<unsigned>(lo, hi)(rng_);
    };

    for (unsigned round = 0; round < rounds_ && failures < 5; ++round) {
        const auto op = static_cast<TOp>(pick(kOpWeights));
        const auto fault = static_cast<TFault>(pick(kFaultWeights));
        const bool firmware = op == TOp::FirmwareWrite;
        const bool configOp = op == TOp::ConfigRead || op == TOp::ConfigWrite || op == TOp::ConfigWriteVerify;

        // The replies this operation sees, for a fault to land on.
        std::vector<std::string> on = {"Identify", "SetMode", "Select", "ReadHeader", "ReadBlock"};
        if (op == TOp::LogRead) on = {"LogIdentity", "LogTableList", "LogBlock"};
        if (op == TOp::ConfigWrite || op == TOp::ConfigWriteVerify || op == TOp::BackupWrite)
            on.insert(on.end(), {"WriteStart", "WriteBlock", "WriteBlock"});
        // A firmware update's mode switch waits for the erase, 30 s: a silent one is left to the unit tests.
        if (firmware) on = {"Identify", "WriteStart", "WriteBlock", "WriteBlock"};
        const std::string kind = on[uniform(0, static_cast<unsigned>(on.size() - 1))];
        const bool many = kind == "ReadBlock" || kind == "WriteBlock" || kind == "LogBlock";
        const std::string skip = std::to_string(many ? uniform(0, 80) : uniform(0, 2));

        std::vector<std::string> extra;
        unsigned killAfterMs = 0;
        switch (fault) {
            case TFault::ShortReply:
                extra = {"--fault", "ShortReply:" + kind + ":" + skip};
                break;
            case TFault::BadCrc:
                extra = {"--fault", "BadCrc:" + kind + ":" + skip};
                break;
            case TFault::NoReply:
                extra = {"--fault", "NoReply:" + kind + ":" + skip};
                break;
            case TFault::ShortStall:
                extra = {"--fault", "Stall:" + kind + ":" + skip, "--stall-ms",
                         std::to_string(uniform(100, kReadTimeoutMs * 3 / 4))};
                break;
            case TFault::LongStall:
                extra = {"--fault", "Stall:" + kind + ":" + skip, "--stall-ms",
                         std::to_string(uniform(kReadTimeoutMs * 5 / 4, kReadTimeoutMs * 2))};
                break;
            case TFault::Disconnect:
                extra = {"--disconnect-after", std::to_string(uniform(1, 40000))};
                break;
            case TFault::Kill:
                killAfterMs = uniform(0, configOp ? 3500 : 400);
                break;
            default:
                break;
        }

        // The operation's input and, for reads, an output file that is there before or not.
        std::vector<std::string> args;
        const fs::path output = out_ / (op == TOp::LogRead ? "log.yrpt" : "config.ycfg");
        for (const auto& name : Listing(out_))
            fs::remove(out_ / name);
        const bool outputBefore = uniform(0, 1) == 1;
        const Bytes oldOutput = {'o', 'l', 'd'};
        std::size_t backup = 0;
        std::size_t image = 0;
        fs::path configIn;
        switch (op) {
            case TOp::ConfigRead:
                args = {"config", "read", output.string()};
                break;
            case TOp::LogRead:
                args = {"log", "read", output.string()};
                break;
            case TOp::ConfigWrite:
            case TOp::ConfigWriteVerify:
                configIn = ConfigVariant(map);
                args = {"config", "write", configIn.string()};
                if (op == TOp::ConfigWriteVerify) args.push_back("--verify");
                break;
            case TOp::BackupWrite:
                backup = uniform(0, 1);
                args = {"backup", "write", backups[backup].string()};
                break;
            case TOp::FirmwareWrite:
                image = uniform(0, 1);
                args = {"firmware", "write", images[image].first, "--yes", "--no-backup", "--no-refresh"};
                break;
            default:
                break;
        }
        const bool reads = op == TOp::ConfigRead || op == TOp::LogRead;
        if (reads && outputBefore) WriteBytes(output, oldOutput);

        const Bytes before = Memory();
        const fs::path journalFile = dir_ / "round.journal";
        fs::remove(journalFile);
        TPanelProcess panel(PanelArgs(journalFile, extra));
        ASSERT_TRUE(panel.Serving()) << "round " << round;
        std::thread killer;
        if (fault == TFault::Kill) {
            killer = std::thread([&panel, killAfterMs] {
                std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
                ::kill(panel.Pid(), SIGKILL);
            });
        }
        const auto bound = firmware ? kFirmwareBound : kBound;
        const auto t0 = Clock::now();
        const tp::TResult result = tp::Run(
            CliArgs(args), std::chrono::duration_cast<std::chrono::seconds>(bound) + std::chrono::seconds(1));
        const auto took = Clock::now() - t0;
        if (killer.joinable()) killer.join();
        panel.Stop(SIGTERM);
        for (const auto& name : Listing(nv_))  // a killed panel may leave its save's temporary behind
            if (name != "memory") fs::remove(nv_ / name);

        const TJournal journal = ReadJournal(journalFile);
        const Bytes after = Memory();
        const bool fired = !journal.faults.empty();
        const bool mustSucceed = fault == TFault::None || fault == TFault::ShortStall ||
                                 ((fault == TFault::ShortReply || fault == TFault::BadCrc ||
                                   fault == TFault::NoReply || fault == TFault::LongStall) &&
                                  !fired);

        // The intended memory, had the operation gone through.
        Bytes intended = before;
        std::vector<TRange> writeRanges;
        if (op == TOp::ConfigWrite || op == TOp::ConfigWriteVerify) {
            const Bytes file = ReadBytes(configIn);
            const Bytes image(file.begin() + kConfigHeader, file.end());
            intended = Overlay(before, configRanges, image);
            writeRanges = configRanges;
        } else if (op == TOp::BackupWrite) {
            intended = Overlay(before, backupRanges[backup], backupMemory[backup]);
            writeRanges = backupRanges[backup];
        }

        std::ostringstream what;
        what << "round " << round << " (seed " << seed_ << "): " << kOpNames[static_cast<int>(op)] << " with "
             << kFaultNames[static_cast<int>(fault)];
        for (const auto& e : extra)
            what << ' ' << e;
        if (fault == TFault::Kill) what << " kill after " << killAfterMs << " ms";
        what << "; exit " << result.exitCode << ", fired " << journal.faults.size() << "\n" << result.err;
        const unsigned failuresBefore = failures;
        const auto fail = [&](const std::string& why) {
            ADD_FAILURE() << why << "\n" << what.str();
            ++failures;
        };

        if (took > bound) fail("the run outlived its bound");
        // 1: the operation failed; 3: no panel answered the connection (one killed before it).
        if (result.exitCode != 0 && result.exitCode != 1 && result.exitCode != 3)
            fail("the run neither succeeded nor failed cleanly");
        if (mustSucceed && result.exitCode != 0) fail("a failure was reported though nothing went wrong");

        // Memory: unchanged outside the ranges the panel began to write; inside, what the panel stored is
        // the intended bytes, the rest old or intended (a kill may fall between a save and its journal line).
        if (after.size() != before.size()) {
            fail("the panel's memory file changed its size");
        } else {
            for (std::size_t a = 0; a < after.size(); ++a) {
                const bool inStarted = Inside(journal.started, a);
                const bool ok = !inStarted ? after[a] == before[a]
                                : Inside(journal.stored, a)
                                    ? after[a] == intended[a]
                                    : after[a] == before[a] || after[a] == intended[a];
                if (!ok) {
                    fail("memory byte " + std::to_string(a) +
                         " holds neither what the panel stored nor the old value");
                    break;
                }
            }
            for (const TRange& r : journal.started) {
                if (!std::any_of(writeRanges.begin(), writeRanges.end(), [&r](const TRange& w) {
                        return r.address >= w.address && r.address + r.size <= w.address + w.size;
                    }))
                    fail("a write began outside the operation's ranges at " + std::to_string(r.address));
            }
        }

        // Success only when the operation happened, in full.
        if (result.exitCode == 0) {
            switch (op) {
                case TOp::ConfigWrite:
                case TOp::ConfigWriteVerify:
                case TOp::BackupWrite:
                    if (const auto at = FirstDifference(after, intended))
                        fail("success reported, but the panel does not hold the written data at " +
                             std::to_string(*at));
                    break;
                case TOp::ConfigRead: {
                    // The reference read with the bytes configuration writes have changed since (a read
                    // leaves the registration data out).
                    Bytes expected = baseConfig_;
                    for (std::size_t a = 0; a < after.size() && kConfigHeader + a < expected.size(); ++a)
                        if (after[a] != baseMemory[a] && Inside(configRanges, a))
                            expected[kConfigHeader + a] = after[a];
                    if (const auto at = FirstDifference(ReadBytes(output), expected))
                        fail("success reported, but the file is not the panel's from byte " +
                             std::to_string(*at));
                    break;
                }
                case TOp::LogRead:
                    if (const auto at = FirstDifference(ReadBytes(output), logFile))
                        fail("success reported, but the log file is not the panel's from byte " +
                             std::to_string(*at));
                    break;
                case TOp::FirmwareWrite:
                    if (journal.firmware.empty() || journal.firmware.back() != images[image].second)
                        fail("success reported, but the panel did not take the image");
                    break;
                default:
                    break;
            }
        } else if (reads) {
            if (outputBefore ? ReadBytes(output) != oldOutput : fs::exists(output))
                fail("a failed read touched its output file");
        }
        if (op != TOp::FirmwareWrite && after != before && op != TOp::ConfigWrite &&
            op != TOp::ConfigWriteVerify && op != TOp::BackupWrite)
            fail("a read changed the panel's memory");
        // Nothing beside the output: no temporary outlives the run.
        for (const auto& name : Listing(out_))
            if (name != output.filename().string()) fail("a stray file was left beside the output: " + name);

        for (TTally* t : {&byOp[static_cast<int>(op)], &byFault[static_cast<int>(fault)]}) {
            ++t->rounds;
            t->faultFired += fired ? 1 : 0;
            if (result.exitCode == 0) ++t->succeeded;
            if (result.exitCode != 0 && failures == failuresBefore) ++t->failedTruthfully;
            t->slowest = std::max(t->slowest, std::chrono::duration<double>(took).count());
        }
    }

    std::printf("soak: %u rounds in %.0f s (seed %llu)\n", rounds_,
                std::chrono::duration<double>(Clock::now() - started).count(),
                static_cast<unsigned long long>(seed_));
    // "failed-true": failures that passed every check; "slowest": the longest run, in seconds.
    std::printf("%-24s %7s %7s %10s %12s %8s\n", "", "rounds", "fired", "succeeded", "failed-true",
                "slowest");
    const auto row = [](const char* name, const TTally& t) {
        std::printf("%-24s %7u %7u %10u %12u %8.1f\n", name, t.rounds, t.faultFired, t.succeeded,
                    t.failedTruthfully, t.slowest);
    };
    for (std::size_t i = 0; i < byOp.size(); ++i)
        row(kOpNames[i], byOp[i]);
    for (std::size_t i = 0; i < byFault.size(); ++i)
        row(kFaultNames[i], byFault[i]);
    // A soak whose faults never land, or that never lets an operation through, proves nothing.
    if (failures == 0 && rounds_ >= 50) {
        unsigned fired = 0, succeeded = 0, failed = 0;
        for (const TTally& t : byOp) {
            fired += t.faultFired;
            succeeded += t.succeeded;
            failed += t.failedTruthfully;
        }
        EXPECT_GT(fired, rounds_ / 10);
        EXPECT_GT(succeeded, rounds_ / 10);
        EXPECT_GT(failed, rounds_ / 10);
    }
}

}  // namespace
}  // namespace mirca
