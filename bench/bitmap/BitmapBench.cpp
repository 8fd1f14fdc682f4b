// Loading and saving 4096 x 4096 BMPs, each beside the plain copy or write of the same bytes.
// Goals: in memory within 2 x memcpy; to a file within 1.5 x one write call.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/Bitmap.h"

namespace {

constexpr int kSide = 4096;

obri::Bitmap makePicture(obri::PixelFormat format) {
    obri::Bitmap b;
    b.setPixelFormat(format);
    b.setWidth(kSide);
    b.setHeight(kSide);
    for (int y = 0; y < kSide; ++y) {
        std::uint8_t* row = b.scanLine(y);
        for (std::size_t x = 0; x < b.stride(); ++x)
            row[x] = static_cast<std::uint8_t>(x * 7 + static_cast<std::size_t>(y) * 3);
    }
    return b;
}

const obri::Bitmap& picture(int bits) {
    static const obri::Bitmap eight = makePicture(obri::PixelFormat::Bits8);
    static const obri::Bitmap twentyFour = makePicture(obri::PixelFormat::Bits24);
    return bits == 8 ? eight : twentyFour;
}

const std::vector<std::uint8_t>& fileBytes(int bits) {
    static const std::vector<std::uint8_t> eight = picture(8).saveToMemory();
    static const std::vector<std::uint8_t> twentyFour = picture(24).saveToMemory();
    return bits == 8 ? eight : twentyFour;
}

std::string scratchPath() {
    const char* base = std::getenv("TMPDIR");
    return std::string(base && *base ? base : "/tmp") + "/obri-bitmap-bench-" + std::to_string(::getpid()) +
           ".bmp";
}

void Memcpy(benchmark::State& state) {
    const auto& bytes = fileBytes(static_cast<int>(state.range(0)));
    std::vector<std::uint8_t> target(bytes.size());
    for (auto _ : state) {
        std::memcpy(target.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// A fresh buffer per copy, as a load must make one for the pixels.
void MemcpyFresh(benchmark::State& state) {
    const auto& bytes = fileBytes(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::uint8_t> target(bytes.begin(), bytes.end());
        benchmark::DoNotOptimize(target.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void LoadFromMemory(benchmark::State& state) {
    const auto& bytes = fileBytes(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        obri::Bitmap b;
        b.loadFromMemory(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(b.scanLine(0));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// The same bitmap loaded again and again, as the batch does with its work bitmap.
void LoadIntoTheSameBitmap(benchmark::State& state) {
    const auto& bytes = fileBytes(static_cast<int>(state.range(0)));
    obri::Bitmap b;
    for (auto _ : state) {
        b.loadFromMemory(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(b.scanLine(0));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void SaveToMemory(benchmark::State& state) {
    const obri::Bitmap& b = picture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes = b.saveToMemory();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * fileBytes(static_cast<int>(state.range(0))).size()));
}

void PlainWrite(benchmark::State& state) {
    const auto& bytes = fileBytes(static_cast<int>(state.range(0)));
    const std::string path = scratchPath();
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            state.SkipWithError("cannot write the scratch file");
        }
        ::close(fd);
    }
    ::unlink(path.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void SaveToFile(benchmark::State& state) {
    const obri::Bitmap& b = picture(static_cast<int>(state.range(0)));
    const std::string path = scratchPath();
    for (auto _ : state) b.saveToFile(path);
    ::unlink(path.c_str());
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * fileBytes(static_cast<int>(state.range(0))).size()));
}

// A plug-in's 24-bit picture drawn into the work bitmap: the usual 32-bit one, or an 8-bit one an
// 8-bit file left behind (nearest palette entries).
void DrawDib(benchmark::State& state) {
    const auto& bytes = fileBytes(24);
    const std::size_t offset = bytes[10] | (bytes[11] << 8);
    const std::uint8_t* info = bytes.data() + 14;
    const std::uint8_t* bits = bytes.data() + offset;
    obri::Bitmap b;
    b.setPixelFormat(state.range(0) == 8 ? obri::PixelFormat::Bits8 : obri::PixelFormat::Device);
    for (auto _ : state) {
        if (!b.drawDib(info, offset - 14, bits, bytes.size() - offset)) state.SkipWithError("not drawn");
        benchmark::DoNotOptimize(b.scanLine(0));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (bytes.size() - offset)));
}

}  // namespace

BENCHMARK(DrawDib)->Arg(32)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(MemcpyFresh)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadFromMemory)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadIntoTheSameBitmap)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveToMemory)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainWrite)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveToFile)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);
