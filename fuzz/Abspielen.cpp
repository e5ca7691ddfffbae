// Plays every file of the given corpus folders once through a harness, so
// that the normal build checks the kept corpora without libFuzzer. A harness
// reports a fault by aborting; an empty or missing folder is a failure too,
// so that a corpus cannot silently vanish.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, std::size_t laenge);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER...\n", argv[0]);
        return 2;
    }
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    namespace fs = std::filesystem;
    for (int i = 1; i < argc; ++i) {
        std::error_code fehler;
        std::vector<fs::path> dateien;
        for (const auto& e : fs::directory_iterator(argv[i], fehler)) {
            if (e.is_regular_file()) dateien.push_back(e.path());
        }
        if (fehler || dateien.empty()) {
            std::fprintf(stderr, "%s: no corpus files\n", argv[i]);
            return 1;
        }
        std::sort(dateien.begin(), dateien.end());
        for (const auto& pfad : dateien) {
            std::ifstream f(pfad, std::ios::binary);
            std::vector<uint8_t> daten((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
            if (!f.eof() && f.fail()) {
                std::fprintf(stderr, "%s: unreadable\n", pfad.string().c_str());
                return 1;
            }
            // Echoed first, so that a crash names the input that caused it.
            std::fprintf(stderr, "%s\n", pfad.string().c_str());
            // At its exact size, as libFuzzer hands it over: a read past the
            // end is a finding in the sanitizer build.
            auto genau = std::make_unique<uint8_t[]>(daten.size());
            std::copy(daten.begin(), daten.end(), genau.get());
            LLVMFuzzerTestOneInput(genau.get(), daten.size());
        }
        std::printf("%s: %zu files passed\n", argv[i], dateien.size());
    }
    return 0;
}
