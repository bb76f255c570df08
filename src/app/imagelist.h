#pragma once

#include <QIcon>
#include <QPixmap>
#include <array>

// The shared 16 x 16 images of the configuration tree, the smart tags and their pop-up, drawn
// here so they stay sharp at any device pixel ratio.
class ImageList {
public:
    enum Index {
        DottedLine = 0,
        PaperClip = 1,
        CompilerIcon = 2,
        LetterT = 3,
        Person = 4,
        GreenCheck = 5,
        Eraser = 6,
    };
    static constexpr int Count = 7;
    static constexpr int Size = 16;

    explicit ImageList(qreal devicePixelRatio = 1.0);

    // An out-of-range index gives a null pixmap.
    QPixmap pixmap(int index) const;
    QIcon icon(int index) const;

private:
    std::array<QPixmap, Count> m_pixmaps;
};
