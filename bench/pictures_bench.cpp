// Decoding pictures beside the libraries doing the same work on the same bytes: PNG import
// of an 800 × 600 RGBA picture against libpng's own read, layered images (zlib, JPEG, ten
// frames in blocks) against zlib and libjpeg alone; and a cache hit against a bare hash
// lookup.
#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "core/compression.h"
#include "core/stream.h"
#include "graphics/jpeg_codec.h"
#include "graphics/vask_collection.h"
#include "graphics/vask_frame_list.h"
#include "kit/game_files.h"
#include "kit/vask_file.h"

namespace {

using namespace orva;
using Rows = std::vector<std::vector<uint32_t>>;

constexpr int kW = 800, kH = 600;

// A picture with smooth areas and some noise, as photographs and drawings have.
uint32_t Colour(int x, int y, std::mt19937& random) {
  const uint32_t r = (x * 255 / kW + random() % 8) & 0xFF, g = (y * 255 / kH) & 0xFF, b = ((x + y) / 7 % 256);
  return r << 16 | g << 8 | b;
}

Rows Picture(uint32_t seed) {
  std::mt19937 random(seed);
  Rows rows(kH, std::vector<uint32_t>(kW));
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) rows[size_t(y)][size_t(x)] = Colour(x, y, random);
  return rows;
}

// ---- PNG ----

struct Bytes {
  std::string data;
  size_t at = 0;
};

std::string PngFile() {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, size_t n) {
        static_cast<Bytes*>(png_get_io_ptr(p))->data.append(reinterpret_cast<char*>(data), n);
      },
      nullptr);
  png_set_IHDR(png, info, kW, kH, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const Rows picture = Picture(1);
  std::vector<uint8_t> row(kW * 4);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const uint32_t c = picture[size_t(y)][size_t(x)];
      row[4 * x] = uint8_t(c >> 16), row[4 * x + 1] = uint8_t(c >> 8), row[4 * x + 2] = uint8_t(c);
      row[4 * x + 3] = uint8_t(x < 100 ? x * 255 / 100 : 255);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out.data;
}

void BM_PngImportOurs(benchmark::State& state) {
  const std::string file = PngFile();
  for (auto _ : state) {
    TMemoryStream m(file);
    TVaskFrameList list;
    list.ImportPng(m);
    benchmark::DoNotOptimize(list.GetFrame(0).Surface.Bits());
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

// libpng's own read of the same file into RGBA rows.
void BM_PngLibpng(benchmark::State& state) {
  const std::string file = PngFile();
  std::vector<uint8_t> pixels(size_t(kW) * kH * 4);
  std::vector<png_bytep> rows(kH);
  for (int y = 0; y < kH; ++y) rows[size_t(y)] = pixels.data() + size_t(y) * kW * 4;
  for (auto _ : state) {
    Bytes in{file};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &in, [](png_structp p, png_bytep data, size_t n) {
      Bytes& b = *static_cast<Bytes*>(png_get_io_ptr(p));
      std::memcpy(data, b.data.data() + b.at, n);
      b.at += n;
    });
    png_read_info(png, info);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

// ---- Layered images ----

std::string Zlib(const std::string& plain) {
  TMemoryStream s(plain);
  CompressStream(s);
  return std::string(s.View());
}

// One 800 × 600 frame at 32 bits in zlib mode, and its compressed rows.
struct ZlibFrame {
  std::string file, compressed;
  size_t plainSize;
  ZlibFrame() {
    kit::VaskFile f;
    f.Frames = {kit::VaskFrame::Of(kW, kH, 32, Picture(2))};
    file = kit::MakeVask(f);
    plainSize = f.Frames[0].Layers[0].Pixels.size();
    compressed = Zlib(f.Frames[0].Layers[0].Pixels);
  }
};

// Our reader on a fixture's file: frames × 800 × 600 pixels a turn.
template <class Fixture, int Frames>
void BM_VaskOurs(benchmark::State& state) {
  const Fixture fixture;
  for (auto _ : state) {
    TMemoryStream m(fixture.file);
    TVaskFrameList list;
    list.LoadFromStream(m, false);
    benchmark::DoNotOptimize(list.GetFrame(Frames - 1).Surface.Bits());
  }
  state.SetItemsProcessed(state.iterations() * kW * kH * Frames);
}

void BM_VaskZlibInflate(benchmark::State& state) {
  const ZlibFrame frame;
  std::vector<uint8_t> out(frame.plainSize);
  for (auto _ : state) {
    uLongf size = static_cast<uLongf>(out.size());
    uncompress(out.data(), &size, reinterpret_cast<const Bytef*>(frame.compressed.data()),
               static_cast<uLong>(frame.compressed.size()));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

// One 800 × 600 frame stored as JPEG, and the JPEG itself.
struct JpegFrame {
  std::string file, jpeg;
  JpegFrame() {
    TDIBSurface picture;
    picture.SetSize(kW, kH, 24);
    const Rows rows = Picture(3);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) picture.SetPixel(x, y, rows[size_t(y)][size_t(x)]);
    const std::vector<uint8_t> bytes = EncodeJpeg(picture, 70);
    jpeg.assign(bytes.begin(), bytes.end());
    kit::VaskFile f;
    f.Mode = 2;
    kit::VaskFrame frame;
    frame.Width = kW, frame.Height = kH, frame.Bits = 24;
    frame.Layers.resize(1);
    frame.Layers[0].Pixels = jpeg;
    f.Frames = {frame};
    file = kit::MakeVask(f);
  }
};

void BM_VaskJpegLibjpeg(benchmark::State& state) {
  const JpegFrame frame;
  std::vector<uint8_t> pixels(size_t(kW) * kH * 3);
  for (auto _ : state) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(frame.jpeg.data()),
                 static_cast<unsigned long>(frame.jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = pixels.data() + size_t(info.output_scanline) * kW * 3;
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

// Ten 800 × 600 frames at 16 bits in 32 × 32 blocks: the first literal, every later one
// repeating frame 0 but for a moving 64 × 64 square.
struct BlockFrames {
  std::string file;
  std::vector<std::string> compressed;
  std::vector<size_t> plainSizes;
  BlockFrames() {
    constexpr int B = 32, columns = kW / B, rows = (kH + B - 1) / B;
    const Rows picture = Picture(4);
    auto block = [&](int k) {
      Rows out;
      const int left = k % columns * B, top = k / columns * B;
      for (int y = top; y < std::min(top + B, kH); ++y) {
        out.emplace_back();
        for (int x = left; x < left + B; ++x) out.back().push_back(picture[size_t(y)][size_t(x)] & 0xFFFF);
      }
      return out;
    };
    kit::VaskFile f;
    f.BlockWidth = f.BlockHeight = B;
    for (int frame = 0; frame < 10; ++frame) {
      std::vector<kit::VaskBlock> entries;
      std::string literals;
      for (int k = 0; k < columns * rows; ++k) {
        const int bx = k % columns, by = k / columns;
        const bool moving = frame > 0 && bx / 2 == frame && by / 2 == frame;
        if (frame == 0 || moving) {
          entries.push_back({-1, 0});
          literals += kit::VaskBlockRows(16, block(k));
        } else {
          entries.push_back({0, 0});
        }
      }
      kit::VaskFrame vf;
      vf.Width = kW, vf.Height = kH, vf.Bits = 16;
      vf.Layers.resize(1);
      vf.Layers[0].Pixels = kit::VaskBlocks(entries, literals);
      plainSizes.push_back(vf.Layers[0].Pixels.size());
      compressed.push_back(Zlib(vf.Layers[0].Pixels));
      f.Frames.push_back(vf);
    }
    file = kit::MakeVask(f);
  }
};

void BM_VaskBlocksInflate(benchmark::State& state) {
  const BlockFrames frames;
  std::vector<uint8_t> out(*std::max_element(frames.plainSizes.begin(), frames.plainSizes.end()));
  for (auto _ : state) {
    for (size_t i = 0; i < frames.compressed.size(); ++i) {
      uLongf size = static_cast<uLongf>(out.size());
      uncompress(out.data(), &size, reinterpret_cast<const Bytef*>(frames.compressed[i].data()),
                 static_cast<uLong>(frames.compressed[i].size()));
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * kW * kH * 10);
}

// ---- The cache ----

void BM_CacheHit(benchmark::State& state) {
  kit::GameFiles files;
  kit::VaskFile f;
  f.Frames = {kit::VaskFrame::Of(2, 2, 24, Rows{{1, 2}, {3, 4}})};
  for (int i = 0; i < 100; ++i) files.Add("picture" + std::to_string(i) + ".vsk", kit::MakeVask(f));
  TFileManagerVaskServices services;
  TVaskCollection cache(services);
  int user = 0;
  for (int i = 0; i < 100; ++i) cache.Acquire(&user, "picture" + std::to_string(i) + ".vsk", false, false);
  for (auto _ : state) benchmark::DoNotOptimize(&cache.Acquire(&user, "Picture42.vsk", false, false));
}

void BM_HashLookup(benchmark::State& state) {
  std::unordered_map<std::string, int> map;
  for (int i = 0; i < 100; ++i) map.emplace("picture" + std::to_string(i) + ".vsk", i);
  const std::string_view name = "picture42.vsk";
  for (auto _ : state) benchmark::DoNotOptimize(map.find(std::string(name)));
}

}  // namespace

BENCHMARK(BM_PngImportOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngLibpng)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_VaskOurs, ZlibFrame, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VaskZlibInflate)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_VaskOurs, JpegFrame, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VaskJpegLibjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_VaskOurs, BlockFrames, 10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VaskBlocksInflate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CacheHit);
BENCHMARK(BM_HashLookup);
