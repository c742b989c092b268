#pragma once

#include <QPixmap>
#include <vector>

// The three 16 x 16 pictures of the site list's status cells, on a
// transparent background, in the order of the status list: normal (a green
// tick), paused (a white sheet with a dark red tick), dead (a red cross).
// Drawn in code, so the program carries no image files. GUI thread only
// (pixmaps need the running application); nothing fails.
class StatusIcons
{
public:
    static constexpr int Size = 16;

    static std::vector<QPixmap> Create();

    static QPixmap Normal();
    static QPixmap Paused();
    static QPixmap Dead();
};
