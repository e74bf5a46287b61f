// Filter as you type on the word pages: each key press into a page's field, from the key event to
// the list view updated and painted, on the TLD page with the shipped table (about 1,300 TLDs) and
// on the keyword page with 100,000 words. Runs offscreen; plain main.
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
#include <vector>

namespace {

double Ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Types `text` key by key, then takes it back key by key; the time of each key press until the
// page has repainted.
std::vector<double> TypeAndErase(TWordListsPanel& pages, int page, const QString& text)
{
    QLineEdit* field = pages.Field(page);
    std::vector<double> times;
    auto timed = [&](auto&& press) {
        const auto start = std::chrono::steady_clock::now();
        press();
        pages.repaint();
        QApplication::processEvents();
        times.push_back(Ms(std::chrono::steady_clock::now() - start));
    };
    for (const QChar c : text)
        timed([&] { QTest::keyClicks(field, QString(c)); });
    for (qsizetype i = 0; i < text.size(); ++i)
        timed([&] { QTest::keyClick(field, Qt::Key_Backspace); });
    return times;
}

void Report(const char* what, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("%s: %zu key presses, median %.2f ms, max %.2f ms\n", what, times.size(), times[times.size() / 2],
                times.back());
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
    std::vector<double> tld;
    for (int round = 0; round < 5; ++round)
        for (const char* typed : {"berlin", "xn--p1", "co", "рф"}) {
            const std::vector<double> times = TypeAndErase(pages, TWordLists::PageTld, QString::fromUtf8(typed));
            tld.insert(tld.end(), times.begin(), times.end());
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
    std::vector<double> keywords;
    for (int round = 0; round < 3; ++round)
        for (const char* typed : {"lant", "zq", "ü"}) {
            const std::vector<double> times = TypeAndErase(pages, TWordLists::PageKeywords, QString::fromUtf8(typed));
            keywords.insert(keywords.end(), times.begin(), times.end());
        }
    Report("Keyword page, 100,000 words, filter", keywords);
    return EXIT_SUCCESS;
}
