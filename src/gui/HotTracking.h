#pragma once

#include <QColor>

enum class TUnderlineTracking
{
    utNever, // never underlined
    utTrack, // underlined while the mouse is over the label
    utEver   // always underlined
};

// The colours and underline rule a link label follows as the mouse moves over it and presses it.
struct THotTracking
{
    QColor ClickColor{255, 0, 255}; // while the left button is held on the label
    QColor TrackColor{255, 0, 0};   // while the mouse is over the label
    TUnderlineTracking Underline = TUnderlineTracking::utTrack;

    bool operator==(const THotTracking&) const = default;
};
