#pragma once

#include "models/ShownRowsModel.h"

#include <QString>

#include <string>
#include <string_view>

class TWordListModel;

// The entries of one word list that hold the typed text, compared without regard to letter case,
// in list order. An empty text, or one with a comma (which the add button takes as a whole new
// list), shows every entry. On the TLD page an internationalised entry also matches by its other
// form: "рф" by "xn--p1ai" and the other way round. Ticks go through to the list, so they stay
// whatever the filter hides.
class TWordFilterProxy : public TShownRowsModel
{
    Q_OBJECT

public:
    explicit TWordFilterProxy(TWordListModel& list, bool matchBothLabelForms, QObject* parent = nullptr);

    // The text as typed into the page's field; returns whether what is shown changed.
    bool SetFilterText(const QString& typed);
    bool Filtering() const { return Testing(); }

private:
    bool Matches(std::string_view text) const;
    bool Accepts(int row) const;

    TWordListModel& List;
    bool BothLabelForms;
    QString Typed;
    std::string Needle; // lower-case ASCII needle, searched byte-wise (the usual case, and fast)
    QString WideNeedle; // a needle with other letters, searched in the decoded text
};
