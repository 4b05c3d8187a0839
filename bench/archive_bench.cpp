// The archive against its lower bounds, side by side in one run:
// - reading every entry of a 200 MB archive through the file manager, against pread() of
//   the stored bytes plus zlib's own uncompress;
// - loading a 50,000-entry directory, against read() of the same bytes into an unordered_map;
// - StreamCrc32 against zlib's crc32 on the same buffer.
// The archives are written to /tmp by the real writer on first use and deleted at exit.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/archive.h"
#include "core/compression.h"
#include "core/file_manager.h"
#include "core/game_path.h"
#include "core/random.h"

namespace {

using namespace orva;

struct StoredEntry {
  std::string name;
  int64_t offset;
  int64_t storedSize;
  int64_t plainSize;
  bool raw;
};

// Words drawn at random: text that zlib's fastest level packs to about a third.
std::string Text(size_t size, std::mt19937& random) {
  static const char* words[] = {"message ", "window ", "choice ", "scene ", "voice ", "\r\n", "image ", "%d ", "fade "};
  std::string s;
  while (s.size() < size) s += words[random() % 9];
  s.resize(size);
  return s;
}

std::string Noise(size_t size, std::mt19937& random) {
  std::string s(size, '\0');
  for (size_t i = 0; i + 4 <= size; i += 4) {
    uint32_t v = random();
    std::memcpy(&s[i], &v, 4);
  }
  return s;
}

class Fixture {
 public:
  explicit Fixture(std::string path) : path_(std::move(path)) {}
  ~Fixture() { std::remove(path_.c_str()); }
  const std::string& Path() const { return path_; }
  std::vector<StoredEntry> entries;
  int64_t plainBytes = 0;

 private:
  std::string path_;
};

void Write(TVrFileCollection& archive, const std::string& path) {
  TWzBigFileStream out(GamePath(path), TWzBigFileStream::fmCreate);
  archive.SaveToStream(out);
  out.Commit();
}

void ReadBack(Fixture& f) {
  TVrFileCollection archive;
  archive.Open(GamePath(f.Path()));
  for (int i = 0; i < archive.Count(); ++i) {
    TVrFile& e = archive.Item(i);
    if (e.GetName() == TVrFileCollection::kEndName) continue;
    TMemoryStream plain;
    archive.LoadFileToStream(plain, e.GetName());
    f.entries.push_back({e.GetName(), e.Offset, e.Size, plain.GetSize(), e.Raw != 0});
    f.plainBytes += plain.GetSize();
  }
}

// 100 text entries of 1 MiB (compressed), 50 ".ogg" entries of 1 MiB and 16 entries of
// 6 MiB (both raw): about 200 MB stored.
Fixture& BigArchive() {
  static Fixture fixture = [] {
    Fixture f("/tmp/orva-bench-big-" + std::to_string(::getpid()) + ".dat");
    std::mt19937 random(7);
    TVrFileCollection archive;
    auto add = [&](const std::string& name, const std::string& bytes) {
      archive.AddMemoryFile(name).Data->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    };
    for (int i = 0; i < 100; ++i) add("text\\page" + std::to_string(i) + ".osb", Text(1 << 20, random));
    for (int i = 0; i < 50; ++i) add("bgm\\track" + std::to_string(i) + ".ogg", Noise(1 << 20, random));
    for (int i = 0; i < 16; ++i) add("cg\\large" + std::to_string(i) + ".bmp", Noise(6 << 20, random));
    Write(archive, f.Path());
    ReadBack(f);
    return f;
  }();
  return fixture;
}

void BM_FileManagerReadsEveryEntry(benchmark::State& state) {
  Fixture& f = BigArchive();
  for (auto _ : state) {
    TVrFileManager manager(std::vector<std::string>{});
    manager.AddArchive(GamePath(f.Path()));
    TMemoryStream out;
    for (const StoredEntry& e : f.entries) {
      manager.LoadToStream(out, e.name);
      benchmark::DoNotOptimize(out.Memory());
    }
  }
  state.SetBytesProcessed(state.iterations() * f.plainBytes);
}

void BM_PreadPlusUncompress(benchmark::State& state) {
  Fixture& f = BigArchive();
  std::vector<uint8_t> stored, plain;
  for (auto _ : state) {
    int fd = ::open(f.Path().c_str(), O_RDONLY);
    for (const StoredEntry& e : f.entries) {
      stored.resize(static_cast<size_t>(e.storedSize));
      if (::pread(fd, stored.data(), stored.size(), e.offset) != e.storedSize) state.SkipWithError("short read");
      if (!e.raw) {
        plain.resize(static_cast<size_t>(e.plainSize));
        uLongf size = plain.size();
        uncompress(plain.data(), &size, stored.data(), stored.size());
        benchmark::DoNotOptimize(plain.data());
      }
    }
    ::close(fd);
  }
  state.SetBytesProcessed(state.iterations() * f.plainBytes);
}

constexpr int kDirectoryEntries = 50000;

// Entry names as games name them, in a scattered order of lookup.
const std::vector<std::string>& DirectoryNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (int i = 0; i < kDirectoryEntries; ++i)
      n.push_back("scene" + std::to_string(i / 100) + "\\image" + std::to_string(i) + ".vsk");
    return n;
  }();
  return names;
}

Fixture& ManyEntries() {
  static Fixture fixture = [] {
    Fixture f("/tmp/orva-bench-dir-" + std::to_string(::getpid()) + ".dat");
    TVrFileCollection archive;
    for (int i = 0; i < kDirectoryEntries; ++i)
      archive.AddMemoryFile(DirectoryNames()[static_cast<size_t>(i)]);
    Write(archive, f.Path());
    return f;
  }();
  return fixture;
}

void BM_LoadDirectory50000(benchmark::State& state) {
  Fixture& f = ManyEntries();
  for (auto _ : state) {
    TVrFileCollection archive;
    archive.Open(GamePath(f.Path()));
    benchmark::DoNotOptimize(archive.Count());
  }
}

// The same directory read with read() into memory, unscrambled into an unordered_map.
void BM_ReadDirectoryIntoUnorderedMap(benchmark::State& state) {
  Fixture& f = ManyEntries();
  for (auto _ : state) {
    int fd = ::open(f.Path().c_str(), O_RDONLY);
    std::vector<uint8_t> head(1 << 22);
    ssize_t got = ::read(fd, head.data(), head.size());
    ::close(fd);
    const uint8_t* p = head.data() + 6;
    int32_t n;
    std::memcpy(&n, p, 4);
    p += 4;
    std::unordered_map<std::string, int64_t> names;
    names.reserve(static_cast<size_t>(n));
    TWzRandom mask(TVrFileCollection::kScrambleSeed);
    std::vector<std::string> order;
    order.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
      int32_t length;
      std::memcpy(&length, p, 4);
      p += 4;
      std::string name(reinterpret_cast<const char*>(p), static_cast<size_t>(length));
      for (char& c : name) c = static_cast<char>(c ^ static_cast<char>(mask.Next()));
      p += length;
      order.push_back(std::move(name));
    }
    TWzRandom offsets(TVrFileCollection::kScrambleSeed);
    for (int32_t i = 0; i < n; ++i) {
      int64_t offset;
      std::memcpy(&offset, p + 8 * i, 8);
      names.emplace(order[static_cast<size_t>(i)], offset ^ static_cast<int32_t>(offsets.Next()));
    }
    benchmark::DoNotOptimize(got);
    benchmark::DoNotOptimize(names.size());
  }
}

// Finding entries of an opened 50,000-entry archive, as every file load does first.
void BM_FindInDirectory50000(benchmark::State& state) {
  TVrFileCollection archive;
  archive.Open(GamePath(ManyEntries().Path()));
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(archive.Find(DirectoryNames()[static_cast<size_t>(i)]));
    i = (i + 7919) % kDirectoryEntries;
  }
}

void BM_UnorderedMapFind50000(benchmark::State& state) {
  std::unordered_map<std::string, int> names;
  for (int i = 0; i < kDirectoryEntries; ++i) names.emplace(DirectoryNames()[static_cast<size_t>(i)], i);
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(names.find(DirectoryNames()[static_cast<size_t>(i)]));
    i = (i + 7919) % kDirectoryEntries;
  }
}

std::vector<uint8_t>& CrcBuffer() {
  static std::vector<uint8_t> buffer = [] {
    std::mt19937 random(3);
    std::string s = Noise(64 << 20, random);
    return std::vector<uint8_t>(s.begin(), s.end());
  }();
  return buffer;
}

void BM_StreamCrc32MemoryStream(benchmark::State& state) {
  TMemoryStream m;
  m.Assign(CrcBuffer());
  for (auto _ : state) benchmark::DoNotOptimize(StreamCrc32(m));
  state.SetBytesProcessed(state.iterations() * m.GetSize());
}

// A 64-bit memory stream is not a TMemoryStream: the chunked path through Read.
void BM_StreamCrc32ChunkedStream(benchmark::State& state) {
  TWzBigMemoryStream m;
  m.Memory().Assign(CrcBuffer());
  for (auto _ : state) benchmark::DoNotOptimize(StreamCrc32(m));
  state.SetBytesProcessed(state.iterations() * m.GetSize());
}

void BM_ZlibCrc32(benchmark::State& state) {
  std::vector<uint8_t>& buffer = CrcBuffer();
  for (auto _ : state) benchmark::DoNotOptimize(crc32_z(crc32_z(0, nullptr, 0), buffer.data(), buffer.size()));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(buffer.size()));
}

}  // namespace

BENCHMARK(BM_FileManagerReadsEveryEntry)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_PreadPlusUncompress)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_LoadDirectory50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDirectoryIntoUnorderedMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindInDirectory50000);
BENCHMARK(BM_UnorderedMapFind50000);
BENCHMARK(BM_StreamCrc32MemoryStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamCrc32ChunkedStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibCrc32)->Unit(benchmark::kMillisecond);
