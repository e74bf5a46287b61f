#pragma once

#include "models/LocaleDateTimeReader.h"
#include "models/SortTextCompare.h"

#include <QLocale>
#include <QStringView>

#include <string>
#include <vector>

struct UCollator;

// Prepares texts for the table's sort in one locale: whether a text is a decimal number, a date or
// a time, and its collation key. The key orders texts as QCollator does for that locale with its
// default settings (case-sensitive, punctuation counted, normalised); it comes from the same
// collation library, read as bytes so that a sort compares memory instead of calling back.
class TSortTextReader
{
public:
    explicit TSortTextReader(const QLocale& locale = QLocale::system());
    ~TSortTextReader();
    TSortTextReader(const TSortTextReader&) = delete;
    TSortTextReader& operator=(const TSortTextReader&) = delete;

    // Sets Kind to Classified with Empty, Number and DateTime as they apply, NumberValue and Moment;
    // the key is left out. Without `moments` no text is read as a date or time.
    void Classify(QStringView text, TSortItem& item, bool moments = true) const;
    // Fills the key: its head in the item, the rest appended to `tails`.
    void AddKey(QStringView text, TSortItem& item, std::string& tails) const;

    // A decimal number: after leading blanks, all of the text is an optional sign, digits, an
    // optional point with digits, and an optional exponent ("E" or "e", optional sign, at least one
    // digit); either digit run may be empty but not both and the point.
    static bool ReadNumber(QStringView text, double& value);
    // A date, a time or a date and a time in the locale's formats, other than the zero moment.
    bool ReadMoment(QStringView text, double& moment) const { return Moments.Read(text, moment) && moment != 0; }

private:
    TLocaleDateTimeReader Moments;
    UCollator* Collator = nullptr; // none: the C locale, which compares UTF-16 code units
    mutable std::vector<std::uint8_t> KeyBuffer;
};

// The table's comparison of two plain texts, read as the reader reads them.
int SortTextCompare(const QString& a, const QString& b, const TSortTextReader& reader);
