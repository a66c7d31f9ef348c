#pragma once

#include <QIcon>

// The toolbar's images, painted by the program itself so that they show on a machine without
// any icon theme: 0 new, 1 open, 2 save, 3 print, 4 start polling, 5 stop polling.
class TToolImages
{
public:
    // An empty icon for an index without an image.
    static QIcon Icon(int index);
};
