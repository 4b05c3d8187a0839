#include "core/big_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>

#include "core/exceptions.h"
#include "core/game_path.h"
#include "core/range_stream.h"
#include "platform/resources.h"
#include "temp_dir.h"

using namespace orva;
using orva::testing::TempDir;

namespace {

constexpr int64_t kPart = 16;  // a small part size instead of 1 GiB

std::string ReadAll(TStream& s, int64_t count) {
  std::string out(static_cast<size_t>(count), '\0');
  out.resize(static_cast<size_t>(s.Read(out.data(), count)));
  return out;
}

std::string Alphabet(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
  return s;
}

}  // namespace

TEST(BigFileStream, WritesSplitPartsAndReadsAcrossThemInOneCall) {
  TempDir dir;
  const std::string data = Alphabet(kPart + 10);
  {
    TWzBigFileStream out(dir.Game("game.dat"), TWzBigFileStream::fmCreate, kPart);
    out.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  }
  EXPECT_EQ(dir.Read("game.dat"), data.substr(0, kPart));
  EXPECT_EQ(dir.Read("game.001"), data.substr(kPart));
  TWzBigFileStream in(dir.Game("GAME.DAT"), TWzBigFileStream::fmOpenRead, kPart);
  EXPECT_EQ(in.PartCount(), 2);
  EXPECT_EQ(in.GetSize(), kPart + 10);
  in.SetPosition(kPart - 2);
  EXPECT_EQ(ReadAll(in, 100), data.substr(kPart - 2));
  in.SetPosition(1000);
  EXPECT_EQ(in.GetPosition(), kPart + 10);  // clamped to the size
  EXPECT_EQ(ReadAll(in, 10), "");
}

TEST(BigFileStream, ANameEndsAtItsFirstNul) {
  // Stored names may carry a NUL and bytes after it; the part names made from the whole name
  // ("game.dat\0x\y.001") must not all open the first part again.
  TempDir dir;
  dir.Write("game.dat", Alphabet(kPart));
  dir.Write("game.001", "de");
  const std::string name = dir.Game("game.dat") + std::string("\0x\\y", 4);
  TWzBigFileStream in(name, TWzBigFileStream::fmOpenRead, kPart);
  EXPECT_EQ(in.PartCount(), 2);
  EXPECT_EQ(ReadAll(in, 100), Alphabet(kPart) + "de");
  EXPECT_TRUE(GameFileExists(name));
  {
    TWzBigFileStream out(dir.Game("new.dat") + std::string("\0x", 2), TWzBigFileStream::fmCreate, kPart);
    out.WriteBuffer("xyz", 3);
  }
  EXPECT_EQ(dir.Read("new.dat"), "xyz");
}

TEST(BigFileStream, PartNames) {
  EXPECT_EQ(TWzBigFileStream::PartName("c:\\g\\game.dat", 0), "c:\\g\\game.dat");
  EXPECT_EQ(TWzBigFileStream::PartName("c:\\g\\game.dat", 2), "c:\\g\\game.002");
  EXPECT_EQ(TWzBigFileStream::PartName("c:\\g.x\\game", 12), "c:\\g.x\\game.012");
}

TEST(BigFileStream, RewritingReplacesAllOldPartsOnlyWhenDone) {
  TempDir dir;
  dir.Write("save.dat", Alphabet(kPart));
  dir.Write("save.001", Alphabet(kPart));
  dir.Write("save.002", "tail");
  {
    TWzBigFileStream out(dir.Game("save.dat"), TWzBigFileStream::fmCreate, kPart);
    out.WriteBuffer("new", 3);
    EXPECT_EQ(dir.Read("save.dat"), Alphabet(kPart));  // the old file stands while writing
  }
  EXPECT_EQ(dir.Read("save.dat"), "new");
  EXPECT_FALSE(dir.Exists("save.001"));
  EXPECT_FALSE(dir.Exists("save.002"));
  TWzBigMemoryStream().SaveToFile(dir.Game("save.dat"));
  EXPECT_TRUE(dir.Exists("save.dat"));
  EXPECT_EQ(dir.Read("save.dat"), "");
}

TEST(BigFileStream, AWriteEndedByAnExceptionKeepsTheOldFile) {
  TempDir dir;
  dir.Write("save.dat", "old save");
  EXPECT_THROW(
      {
        TWzBigFileStream out(dir.Game("save.dat"), TWzBigFileStream::fmCreate);
        out.WriteBuffer("half", 4);
        throw EWriteError("disk full");
      },
      EWriteError);
  EXPECT_EQ(dir.Read("save.dat"), "old save");
  TWzBigFileStream discarded(dir.Game("save.dat"), TWzBigFileStream::fmCreate);
  discarded.WriteBuffer("x", 1);
  discarded.Discard();
  EXPECT_EQ(dir.Read("save.dat"), "old save");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Os("")), {}), 1);  // no staging files left
}

// A write that fails says which file and why, in the system's words after its own.
TEST(BigFileStream, AFailedWriteNamesTheFileAndTheCause) {
  TempDir dir;
  try {
    TWzBigFileStream out(dir.Game("gone\\save.dat"), TWzBigFileStream::fmCreate);
    out.WriteBuffer("save", 4);
    FAIL() << "no directory to write into";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error: " + dir.Os("gone/save.dat") + ": No such file or directory");
  }
  // A file size limit stops the bytes part-way, as a full disk does.
  const auto writeOverTheLimit = [&dir] {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t unlimited = limit.rlim_cur;
    limit.rlim_cur = 8;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      TWzBigFileStream out(dir.Game("save.dat"), TWzBigFileStream::fmCreate);
      out.WriteBuffer("more than eight bytes", 21);
    } catch (const EWriteError& e) {
      limit.rlim_cur = unlimited;  // the test's own report is a file too
      ::setrlimit(RLIMIT_FSIZE, &limit);
      std::fprintf(stderr, "[%s]", e.what());
      std::_Exit(0);
    }
    std::_Exit(1);
  };
  EXPECT_EXIT(writeOverTheLimit(), ::testing::ExitedWithCode(0),
              "\\[Stream write error: .*/save\\.dat: File too large\\]");
}

// A writer killed before its rename leaves its staging file; a later start removes such
// files of its own naming and nothing else.
TEST(BigFileStream, StaleStagingFilesAreRemovedAndNothingElse) {
  TempDir dir;
  dir.Write("save.dat", "old save");
  if (const pid_t child = ::fork(); child == 0) {
    TWzBigFileStream out(dir.Game("save.dat"), TWzBigFileStream::fmCreate, kPart);
    const std::string bytes = Alphabet(40);  // three parts
    out.WriteBuffer(bytes.data(), 40);
    std::_Exit(0);  // killed: no commit, no clean-up
  } else {
    ::waitpid(child, nullptr, 0);
  }
  const std::vector<std::string> kept = {".save.dat.tmp", "save.dat.~1-2.tmp", ".save.dat.~1x-2.tmp",
                                         ".save.dat.~1-.tmp", ".~1-2.tmp", "notes.txt"};
  for (const std::string& name : kept) dir.Write(name, "x");
  dir.Write(".other.vsk.~" + std::to_string(::getpid()) + "-7.tmp", "a live process's name");
  std::filesystem::create_directory(dir.Os(".dir.~1-2.tmp"));
  const auto names = [&dir] {
    std::set<std::string> all;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Os(""))) all.insert(entry.path().filename());
    return all;
  };
  ASSERT_EQ(names().size(), 1 + kept.size() + 2 + 3) << "the killed writer's three parts";

  RemoveStaleStagingFiles(dir.Os(""));
  std::set<std::string> expected(kept.begin(), kept.end());
  expected.insert({"save.dat", ".dir.~1-2.tmp"});
  EXPECT_EQ(names(), expected);
  EXPECT_EQ(dir.Read("save.dat"), "old save");
  RemoveStaleStagingFiles(dir.Os("missing"));
}

// The sweep reaches sub-folders down to its depth limit, takes only regular files of the
// staging pattern, never follows a link and keeps a file whose lock another holder has.
TEST(BigFileStream, StaleStagingFilesAreRemovedFromSubFoldersButNotLockedOnes) {
  TempDir dir, outside;
  outside.Write(".out.~1-2.tmp", "outside");
  std::string deep, deeper;
  for (int i = 0; i < kStagingSweepDepth; ++i) deep += "d/";
  deeper = deep + "d/";
  std::filesystem::create_directories(dir.Os(deeper));
  enum Kind { kFile, kLink, kFifo };
  struct Case {
    const char* what;
    std::string name;
    Kind kind;
    bool kept;
  } cases[] = {
      {"in a sub-folder", "sub/.shot.vsk.~1-2.tmp", kFile, false},
      {"in a hidden sub-folder", ".hid/.save.dat.~3-4.tmp", kFile, false},
      {"at the depth limit", deep + ".shot.vsk.~1-2.tmp", kFile, false},
      {"below the depth limit", deeper + ".shot.vsk.~1-2.tmp", kFile, true},
      {"locked by a writer", "sub/.live.dat.~1-3.tmp", kFile, true},
      {"not the pattern", "sub/shot.vsk.~1-2.tmp", kFile, true},
      {"not the pattern either", "sub/.shot.vsk.tmp", kFile, true},
      {"a link of the pattern", "sub/.link.~1-2.tmp", kLink, true},
      {"a fifo of the pattern", "sub/.fifo.~1-2.tmp", kFifo, true},
  };
  std::filesystem::create_directories(dir.Os("sub"));
  std::filesystem::create_directories(dir.Os(".hid"));
  for (const Case& c : cases) {
    if (c.kind == kLink)
      std::filesystem::create_symlink(outside.Os(".out.~1-2.tmp"), dir.Os(c.name));
    else if (c.kind == kFifo)
      ASSERT_EQ(::mkfifo(dir.Os(c.name).c_str(), 0600), 0);
    else
      dir.Write(c.name, "stale");
  }
  // A link to a folder of staging files is not entered.
  std::filesystem::create_directory_symlink(outside.Os(""), dir.Os("sub/linked"));
  // Held as a writer holds it: a lock on another open file description, in this very process.
  const int writer = ::open(dir.Os("sub/.live.dat.~1-3.tmp").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0);

  RemoveStaleStagingFiles(dir.Os(""));
  for (const Case& c : cases)
    EXPECT_EQ(std::filesystem::symlink_status(dir.Os(c.name)).type() != std::filesystem::file_type::not_found, c.kept)
        << c.what;
  EXPECT_EQ(outside.Read(".out.~1-2.tmp"), "outside");
  ::close(writer);
  RemoveStaleStagingFiles(dir.Os(""));
  EXPECT_FALSE(dir.Exists("sub/.live.dat.~1-3.tmp")) << "stale once its writer is gone";
}

// A sweep while a file is written, as a second player on the same directory makes it, takes
// nothing from the writer: the staged bytes are committed.
TEST(BigFileStream, ASweepLeavesAFileBeingWritten) {
  TempDir dir;
  dir.Write("save.dat", "old save");
  std::filesystem::create_directory(dir.Os("sub"));
  TWzBigFileStream save(dir.Game("save.dat"), TWzBigFileStream::fmCreate, kPart);
  TWzBigFileStream shot(dir.Game("sub\\shot.vsk"), TWzBigFileStream::fmCreate);
  const std::string bytes = Alphabet(40);  // three parts
  save.WriteBuffer(bytes.data(), 40);
  shot.WriteBuffer("shot", 4);
  RemoveStaleStagingFiles(dir.Os(""));
  save.Commit();
  shot.Commit();
  EXPECT_EQ(dir.Read("save.dat") + dir.Read("save.001") + dir.Read("save.002"), bytes);
  EXPECT_EQ(dir.Read("sub/shot.vsk"), "shot");

  // Sweeps that run all the time cost no save either, whenever they come.
  const pid_t sweeper = ::fork();
  if (sweeper == 0)
    for (;;) RemoveStaleStagingFiles(dir.Os(""));
  int failures = 0;
  for (int i = 0; i < 300; ++i) {
    TWzBigMemoryStream out;
    const std::string text = "save " + std::to_string(i);
    out.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    try {
      out.SaveToFile(dir.Game("sub\\save.dat"));
    } catch (const Exception&) {
      ++failures;
    }
  }
  ::kill(sweeper, SIGKILL);
  ::waitpid(sweeper, nullptr, 0);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(dir.Read("sub/save.dat"), "save 299");
}

// A staging file gone before its rename is what the error names, not the file it was to
// replace, which is still there.
TEST(BigFileStream, ACommitWhoseStagingFileVanishedNamesIt) {
  TempDir dir;
  dir.Write("save.dat", "old save");
  TWzBigFileStream out(dir.Game("save.dat"), TWzBigFileStream::fmCreate);
  out.WriteBuffer("new", 3);
  std::string staged;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Os("")))
    if (entry.path().filename() != "save.dat") staged = entry.path().filename();
  ASSERT_TRUE(staged.starts_with(".save.dat.~" + std::to_string(::getpid()) + "-")) << staged;
  std::filesystem::remove(dir.Os(staged));
  try {
    out.Commit();
    FAIL() << "committed a file that is gone";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error: " + dir.Os(staged) + ": No such file or directory");
  }
  EXPECT_EQ(dir.Read("save.dat"), "old save");
}

TEST(BigFileStream, AShortMiddlePartEndsTheRead) {
  TempDir dir;
  dir.Write("game.dat", "0123456789");  // 10 bytes where 16 were due
  dir.Write("game.001", Alphabet(kPart));
  TWzBigFileStream in(dir.Game("game.dat"), TWzBigFileStream::fmOpenRead, kPart);
  EXPECT_EQ(ReadAll(in, 100), "0123456789");
  in.SetPosition(12);
  EXPECT_EQ(ReadAll(in, 100), "");
}

TEST(BigFileStream, ReadWriteChangesBytesInPlaceAndMissingFilesReadNothing) {
  TempDir dir;
  dir.Write("a.dat", "abcdef");
  {
    TWzBigFileStream rw(dir.Game("a.dat"), TWzBigFileStream::fmOpenReadWrite);
    rw.SetPosition(2);
    rw.WriteBuffer("XY", 2);
  }
  EXPECT_EQ(dir.Read("a.dat"), "abXYef");
  TWzBigFileStream missing(dir.Game("none.dat"), TWzBigFileStream::fmOpenRead);
  EXPECT_EQ(missing.GetSize(), 0);
  EXPECT_EQ(ReadAll(missing, 4), "");
  EXPECT_EQ(missing.Write("x", 1), 0);
}

TEST(RangeStream, FileRangeStaysInsideItsWindow) {
  TempDir dir;
  dir.Write("media.dat", Alphabet(1000));
  TFileRangeStream range(dir.Game("media.dat"), 100, 50);
  EXPECT_EQ(range.GetSize(), 50);
  EXPECT_EQ(range.Seek(60, TSeekOrigin::soBeginning), 50);
  EXPECT_EQ(range.Seek(-10, TSeekOrigin::soEnd), 40);
  range.SetPosition(0);
  EXPECT_EQ(ReadAll(range, 100), Alphabet(1000).substr(100, 50));
  EXPECT_EQ(range.Write("x", 1), 0);

  TFileRangeStream rest(dir.Game("media.dat"), 100, 0);  // size 0: the rest of the file
  EXPECT_EQ(rest.GetSize(), 900);
  TRangeStream exact(std::make_unique<TWzBigFileStream>(dir.Game("media.dat"), TWzBigFileStream::fmOpenRead), 100, 0);
  EXPECT_EQ(exact.GetSize(), 0);
  EXPECT_EQ(ReadAll(exact, 10), "");
}

TEST(RangeStream, ResourceRange) {
  static const uint8_t bytes[] = {'v', 'f', 'x', 'y', 'z'};
  RegisterResource("BINTYPE", "RANGETEST", bytes);
  TResourceRangeStream range("RANGETEST", 2, 2, "BINTYPE");
  EXPECT_EQ(ReadAll(range, 10), "xy");
  TResourceRangeStream rest("RANGETEST", 1, 0, "BINTYPE");
  EXPECT_EQ(ReadAll(rest, 10), "fxyz");
  UnregisterResource("BINTYPE", "RANGETEST");
  TWzBigResourceStream missing("RANGETEST", "BINTYPE");
  EXPECT_EQ(missing.GetSize(), 0);
}

TEST(BuffBigStream, ReadsAcrossTheEndAndPutsTheSourceBack) {
  TWzBigMemoryStream source;
  std::string data = Alphabet(250000);
  source.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  source.SetPosition(10);
  {
    TWzBuffBigStream buffered(source);
    EXPECT_EQ(ReadAll(buffered, 5), data.substr(10, 5));
    EXPECT_EQ(buffered.Seek(100, TSeekOrigin::soBeginning), 100);  // inside the buffer
    EXPECT_EQ(ReadAll(buffered, 3), data.substr(100, 3));
    EXPECT_EQ(buffered.Seek(200000, TSeekOrigin::soBeginning), 200000);  // past it
    EXPECT_EQ(ReadAll(buffered, 3), data.substr(200000, 3));
    EXPECT_EQ(buffered.Remaining(), 250000 - 200003);
  }
  EXPECT_EQ(source.GetPosition(), 200003);
  source.SetPosition(249990);
  TWzBuffBigStream tail(source);
  EXPECT_EQ(ReadAll(tail, 100), data.substr(249990));
  EXPECT_EQ(ReadAll(tail, 100), "");
}

TEST(BigMemoryStream, CopiesKeepExactCountsAndFilesRoundTrip) {
  TWzBigMemoryStream m;
  TMemoryStream source("abcdef");
  source.SetPosition(4);
  EXPECT_EQ(m.CopyFromStream(source, 0), 6);  // count 0: the whole source from its start
  m.SetPosition(1);
  TMemoryStream out;
  EXPECT_EQ(m.CopyToStream(out, 0), 0);  // count 0: nothing
  EXPECT_EQ(out.GetSize(), 0);
  EXPECT_EQ(m.CopyToStream(out, 100), 5);
  EXPECT_EQ(out.View(), "bcdef");

  TempDir dir;
  m.SaveToFile(dir.Game("out.bin"));
  TWzBigMemoryStream back;
  back.LoadFromFile(dir.Game("OUT.BIN"));
  EXPECT_EQ(back.Memory().View(), "abcdef");
  EXPECT_THROW(back.LoadFromFile(dir.Game("missing.bin")), EFOpenError);
}
