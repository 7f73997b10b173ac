// Runs a libFuzzer target without libFuzzer: every file of the corpus folder
// given on the command line, then a fixed number of seeded inputs made by
// mutating those files and by pure noise. The seed is fixed, so a finding is
// reproducible; ZENDRIX_FUZZ_ITERATIONS changes the count.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
std::vector<std::vector<uint8_t>> ReadCorpus(const char* folder)
{
    std::vector<std::vector<uint8_t>> corpus;
    std::error_code ec;
    if (folder == nullptr || !std::filesystem::is_directory(folder, ec)) {
        return corpus;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return corpus;
}

std::vector<uint8_t> Mutate(std::vector<uint8_t> input, std::mt19937& rng)
{
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < edits; ++i) {
        switch (rng() % 4) {
        case 0:
            if (!input.empty()) {
                input[rng() % input.size()] = static_cast<uint8_t>(rng());
            }
            break;
        case 1:
            input.insert(input.begin() + static_cast<long>(input.empty() ? 0 : rng() % input.size()),
                         static_cast<uint8_t>(rng()));
            break;
        case 2:
            if (!input.empty()) {
                input.erase(input.begin() + static_cast<long>(rng() % input.size()));
            }
            break;
        default:
            input.resize(rng() % (input.size() + 64));
            break;
        }
    }
    return input;
}
}  // namespace

int main(int argc, char** argv)
{
    const auto corpus = ReadCorpus(argc > 1 ? argv[1] : nullptr);
    long iterations = 20000;
    if (const char* env = std::getenv("ZENDRIX_FUZZ_ITERATIONS")) {
        iterations = std::strtol(env, nullptr, 10);
    }
    for (const auto& input : corpus) {
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::mt19937 rng(20121610);
    for (long i = 0; i < iterations; ++i) {
        std::vector<uint8_t> input;
        if (!corpus.empty() && (i % 4) != 0) {
            input = Mutate(corpus[rng() % corpus.size()], rng);
        } else {
            input.resize(rng() % 1024);
            for (auto& byte : input) {
                byte = static_cast<uint8_t>(rng());
            }
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("replayed %zu corpus files and %ld generated inputs\n", corpus.size(), iterations);
    return 0;
}
