// Filter as you type on the word pages: each key press into a page's field, from the key event to
// the list view updated and painted, on the TLD page with the shipped table (about 1,300 TLDs) and
// on the keyword page with 100,000 words. Runs offscreen; plain main. Besides the clock, the
// processor time of the process per key press, the steadier figure on a shared machine.
//
//   bench_word_filter
#include "gui/WordListsPanel.h"
#include "models/WordLists.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <time.h>
#include <vector>

namespace {

double Ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct TTimes
{
    std::vector<double> Clock;
    std::vector<double> Cpu;

    void Add(const TTimes& more)
    {
        Clock.insert(Clock.end(), more.Clock.begin(), more.Clock.end());
        Cpu.insert(Cpu.end(), more.Cpu.begin(), more.Cpu.end());
    }
};

// Types `text` key by key, then takes it back key by key; the time of each key press until the
// page has repainted.
TTimes TypeAndErase(TWordListsPanel& pages, int page, const QString& text)
{
    QLineEdit* field = pages.Field(page);
    TTimes times;
    auto timed = [&](auto&& press) {
        const auto start = std::chrono::steady_clock::now();
        const double cpu = ThreadCpuMs();
        press();
        pages.repaint();
        QApplication::processEvents();
        times.Clock.push_back(Ms(std::chrono::steady_clock::now() - start));
        times.Cpu.push_back(ThreadCpuMs() - cpu);
    };
    for (const QChar c : text)
        // Any letter, as a keyboard layout of that script would send it.
        timed([&] { QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier); });
    for (qsizetype i = 0; i < text.size(); ++i)
        timed([&] { QTest::keyClick(field, Qt::Key_Backspace); });
    return times;
}

void Report(const char* what, TTimes times)
{
    std::sort(times.Clock.begin(), times.Clock.end());
    std::sort(times.Cpu.begin(), times.Cpu.end());
    std::printf("%s: %zu key presses, clock median %.2f ms, max %.2f ms; processor median %.2f ms, max %.2f ms\n", what,
                times.Clock.size(), times.Clock[times.Clock.size() / 2], times.Clock.back(),
                times.Cpu[times.Cpu.size() / 2], times.Cpu.back());
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TWordLists lists;
    TWordListsPanel pages(lists);
    pages.resize(260, 600);
    pages.show();

    lists.LoadDefaultTlds(QUARROW_SOURCE_DATA_DIR "/mvwhois.ini");
    std::printf("TLD page: %d TLDs\n", lists.Tlds().Count());
    pages.setCurrentIndex(TWordLists::PageTld);
    TTimes tld;
    // Round 0 is not counted: the first rows of other scripts shown load their fonts, once a run.
    for (int round = 0; round < 6; ++round)
        for (const char* typed : {"berlin", "xn--p1", "co", "рф"}) {
            const TTimes times = TypeAndErase(pages, TWordLists::PageTld, QString::fromUtf8(typed));
            if (round > 0)
                tld.Add(times);
        }
    Report("TLD page, filter", tld);

    // Words as a generated list holds them: letters in no order, 4 to 12 of them, a few with an umlaut.
    std::mt19937 random(7);
    std::vector<TWordEntry> words;
    const char* letters = "abcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < 100000; ++i) {
        std::string word;
        const int length = 4 + static_cast<int>(random() % 9);
        for (int c = 0; c < length; ++c)
            word += letters[random() % 26];
        if (i % 50 == 0)
            word += "\xc3\xbc"; // ü
        words.push_back({std::move(word), i % 3 == 0});
    }
    lists.Keywords().SetAll(std::move(words));
    pages.setCurrentIndex(TWordLists::PageKeywords);
    TTimes keywords;
    for (int round = 0; round < 4; ++round)
        for (const char* typed : {"lant", "zq", "ü"}) {
            const TTimes times = TypeAndErase(pages, TWordLists::PageKeywords, QString::fromUtf8(typed));
            if (round > 0)
                keywords.Add(times);
        }
    Report("Keyword page, 100,000 words, filter", keywords);
    return EXIT_SUCCESS;
}
