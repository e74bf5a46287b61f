#include "gui/ZqListView.h"
#include "models/DomainTableModel.h"

#include <QHeaderView>
#include <QImage>
#include <QTest>

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

// What the person sees: the table painted, not the colour a function would hand the painter.
class DomainPaintTest : public ::testing::Test
{
protected:
    DomainPaintTest()
    {
        View.SetSortType(stBoth);
        View.resize(700, 300);
        View.show();
        // Sorted by Domain: a (taken), b (error), c (free).
        Model.SetContents({{"aaaaaaaa.example", true, {"NO", "", "", "", "0", ""}},
                           {"bbbbbbbb.example", true, {"RESULT ERROR", "", "", "", "0", ""}},
                           {"cccccccc.example", true, {"YES", "", "", "", "0", ""}}},
                          {""});
    }

    // The darkest pixel of the domain cell's text, right of the check box.
    QColor DarkestInCaption(int viewRow)
    {
        const QImage image = View.viewport()->grab().toImage();
        const QRect cell = View.visualRect(View.model()->index(viewRow, 0)).adjusted(24, 2, -2, -2);
        QColor darkest(Qt::white);
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.lightness() < darkest.lightness())
                    darkest = pixel;
            }
        return darkest;
    }

    QImage HeaderSection(int column)
    {
        QHeaderView* header = View.horizontalHeader();
        const QRect section(header->sectionViewportPosition(column), 0, header->sectionSize(column), header->height());
        return header->viewport()->grab(section).toImage();
    }

    TDomainTableModel Model;
    TzqListView View{Model};
};

TEST_F(DomainPaintTest, TakenNamesArePaintedGreyErrorsMaroonAndFreeOnesInTheTextColour)
{
    const QColor taken = DarkestInCaption(0);
    const QColor error = DarkestInCaption(1);
    const QColor free = DarkestInCaption(2);
    // Free: the ordinary text colour, dark.
    EXPECT_LT(free.lightness(), 80) << free.name().toStdString();
    // Taken: grey, lighter than free text and without a hue.
    EXPECT_GT(taken.lightness(), free.lightness() + 40) << taken.name().toStdString();
    EXPECT_LT(std::abs(taken.red() - taken.blue()), 16) << taken.name().toStdString();
    // Error: maroon, red without green or blue.
    EXPECT_GT(error.red(), error.green() + 50) << error.name().toStdString();
    EXPECT_GT(error.red(), error.blue() + 50) << error.name().toStdString();
}

TEST_F(DomainPaintTest, TheHeaderPaintsTheSortSignOfTheSortedColumnOnly)
{
    View.SetSortColumn(0);
    View.SetSortDirection(sdAscending);
    const QImage ascending = HeaderSection(0);
    View.SetSortDirection(sdDescending);
    const QImage descending = HeaderSection(0);
    EXPECT_NE(ascending, descending); // the sign turns

    View.SetShowSortSign(false);
    const QImage noSign = HeaderSection(0);
    EXPECT_NE(noSign, descending);
    EXPECT_NE(noSign, ascending);
    View.SetShowSortSign(true);
    EXPECT_EQ(HeaderSection(0), descending);
    // Another column sorted: the sign moves there and the first section is painted without it.
    View.SetSortColumn(2);
    EXPECT_EQ(HeaderSection(0), noSign);
}

} // namespace
