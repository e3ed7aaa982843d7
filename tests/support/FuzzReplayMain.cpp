// Runs a fuzz target without libFuzzer: every file of a seed corpus folder, then a bounded number
// of deterministic mutations of those seeds (bytes flipped, cut, repeated, spliced).
#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void run(const QByteArray& b) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(b.constData()),
                           static_cast<size_t>(b.size()));
}

QByteArray mutate(const std::vector<QByteArray>& seeds, std::mt19937& rng) {
    QByteArray b = seeds[rng() % seeds.size()];
    const int steps = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < steps; ++i) {
        const int n = static_cast<int>(b.size());
        switch (rng() % 6) {
            case 0:
                if (n) b[static_cast<int>(rng() % n)] = static_cast<char>(rng());
                break;
            case 1:
                if (n) b.truncate(static_cast<int>(rng() % n));
                break;
            case 2: b.insert(n ? static_cast<int>(rng() % n) : 0, static_cast<char>(rng())); break;
            case 3:
                if (n) b.remove(static_cast<int>(rng() % n), 1 + static_cast<int>(rng() % 8));
                break;
            case 4:
                if (n) {
                    const int at = static_cast<int>(rng() % n);
                    b.insert(at, b.mid(at, 16));
                }
                break;
            case 5: b.append(seeds[rng() % seeds.size()].left(static_cast<int>(rng() % 64))); break;
        }
    }
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR [MUTATIONS]\n", argv[0]);
        return 2;
    }
    const long mutations = argc > 2 ? std::atol(argv[2]) : 10000;
    std::vector<QByteArray> seeds;
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly)) seeds.push_back(f.readAll());
    }
    seeds.push_back(QByteArray());
    for (const QByteArray& s : seeds) run(s);
    std::mt19937 rng(12345);
    for (long i = 0; i < mutations; ++i) run(mutate(seeds, rng));
    std::printf("%zu seeds, %ld mutations: no fault\n", seeds.size(), mutations);
    return 0;
}
