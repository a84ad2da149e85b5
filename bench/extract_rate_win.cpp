// How fast the saver writes a package's files, against a plain file copy of
// the same bytes in the same run:
//   extract_rate.exe SOURCE FOLDER [rounds]
// copies SOURCE into FOLDER with CopyFileA, with the saver's extraction
// (ExtractEmbeddedFile through the package reader and Win32TargetFiles) and
// with the same extraction in the 60 KB pieces it used before, round after
// round, and prints the best time of each:
//   "bytes N copy-ms C extract-ms E extract-60k-ms O ratio E/C ratio-60k O/C"
// (a ratio is the extraction's speed as a share of the copy's).

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "package/own_file_win.h"
#include "saver/extract.h"
#include "saver/extract_win.h"

namespace {

double Now() {
    LARGE_INTEGER counter, frequency;
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The extraction loop as it was, in pieces of `piece` bytes.
void CopyInPieces(orlscr::InputFile& source, orlscr::TargetFile& target, int64_t count, size_t piece) {
    std::vector<unsigned char> buffer(piece);
    while (count > 0) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(piece)));
        if (source.Read(buffer.data(), n) != n)
            throw orlscr::Error("read");
        target.Write(buffer.data(), n);
        count -= static_cast<int64_t>(n);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const std::string source = argv[1], folder = argv[2];
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    const std::string copied = folder + "\\copied.bin", extracted = folder + "\\extracted.bin";
    orlscr::Win32TargetFiles files;
    double copy = 1e18, extract = 1e18, old = 1e18;
    int64_t bytes = 0;
    try {
        // Each round takes the three in another order, so none is always
        // the one that runs after the others' writes.
        for (int round = 0; round < rounds; ++round) {
            for (int k = 0; k < 3; ++k) {
                const int which = (round + k) % 3;
                const double start = Now();
                if (which == 0) {
                    if (!::CopyFileA(source.c_str(), copied.c_str(), FALSE))
                        return 1;
                    copy = std::min(copy, Now() - start);
                    files.Delete(copied);
                    continue;
                }
                {
                    auto package = orlscr::OpenPackageFile(source);
                    bytes = package->Size();
                    if (which == 1) {
                        orlscr::ExtractEmbeddedFile(*package, 0, bytes, extracted, files);
                    } else {
                        auto target = files.Create(extracted);
                        CopyInPieces(*package, *target, bytes, 61440);
                    }
                }
                double& best = which == 1 ? extract : old;
                best = std::min(best, Now() - start);
                files.Delete(extracted);
            }
        }
    } catch (const std::exception& error) {
        std::printf("failed %s\n", error.what());
        return 1;
    }
    std::printf("bytes %lld copy-ms %.1f extract-ms %.1f extract-60k-ms %.1f ratio %.3f ratio-60k %.3f\n",
                static_cast<long long>(bytes), copy, extract, old, copy / extract, copy / old);
    return 0;
}
