// Throughput of each stage on one full 100 KiB block, for text-like and random
// data: random data is the compressor's worst case (it falls back or barely
// shrinks), text the common one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "processors/des_cryptors.h"
#include "processors/lzma_processors.h"
#include "store/records.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::u16string kPassword = u"benchmark password";

Bytes TextLike() {
  static const std::string kWords[] = {"[InternetShortcut]\r\n", "URL=http://www.example.org/", "index.html\r\n",
                                       "IconIndex=0\r\n", "Favorites ", "Software\\Microsoft ", "0x00000001 "};
  std::mt19937 rng(42);
  Bytes bytes;
  while (bytes.size() < qv::kBlockSize) {
    const std::string& word = kWords[rng() % std::size(kWords)];
    bytes.insert(bytes.end(), word.begin(), word.end());
  }
  bytes.resize(qv::kBlockSize);
  return bytes;
}

Bytes Random() {
  std::mt19937 rng(42);
  Bytes bytes(qv::kBlockSize);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  return bytes;
}

const Bytes& Input(const benchmark::State& state) {
  static const Bytes kText = TextLike();
  static const Bytes kRandom = Random();
  return state.range(0) == 0 ? kText : kRandom;
}

Bytes Output(const qv::DataProcessor& stage) { return Bytes(stage.Output(), stage.Output() + stage.OutputSize()); }

// A fresh stage per block, as the store writer and reader use them.
template <typename Stage, typename... Args>
void RunPerBlock(benchmark::State& state, const Bytes& block, Args&&... args) {
  for (auto _ : state) {
    Stage stage(args...);
    benchmark::DoNotOptimize(stage.Process(block.data(), static_cast<std::int32_t>(block.size())));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * qv::kBlockSize);
  state.SetLabel(state.range(0) == 0 ? "text" : "random");
}

void BM_Compress(benchmark::State& state) { RunPerBlock<qv::LZMACompProcessor>(state, Input(state)); }

void BM_Decompress(benchmark::State& state) {
  qv::LZMACompProcessor compressor;
  compressor.Process(Input(state).data(), qv::kBlockSize);
  RunPerBlock<qv::LZMADecompProcessor>(state, Output(compressor));
}

void BM_Encrypt(benchmark::State& state) { RunPerBlock<qv::DESEncryptor>(state, Input(state), kPassword); }

void BM_Decrypt(benchmark::State& state) {
  qv::DESEncryptor encryptor(kPassword);
  encryptor.Process(Input(state).data(), qv::kBlockSize);
  RunPerBlock<qv::DESDecryptor>(state, Output(encryptor), kPassword);
}

// Arg 0: text-like data, arg 1: random data.
BENCHMARK(BM_Compress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decompress)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Encrypt)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Decrypt)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
