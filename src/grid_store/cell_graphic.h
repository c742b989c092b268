#pragma once

// The graphic a grid cell may carry besides its text: a check box or an image
// of the grid's image list. A plain value; the cell store owns one per cell at
// most and replaces it whole.

enum TCellType {
    ctBitmap = 0,
    ctIcon = 1,
    ctNone = 2,
    ctImageList = 3,
    ctCheckBox = 4,
    ctDataCheckBox = 5,
    ctRotated = 6,
    ctDataImage = 7,
    ctNode = 8,
    ctRadio = 9,
    ctEmpty = 10,
    ctImages = 11,
    ctPicture = 12,
    ctFilePicture = 13,
    ctValue = 14,
    ctProgress = 15,
    ctComment = 16,
    ctButton = 17,
    ctBitButton = 18,
    ctVirtCheckBox = 19,
    ctProgressPie = 20,
};

enum TCellHAlign {
    haLeft = 0,
    haRight = 1,
    haCenter = 2,
    haBeforeText = 3,
    haAfterText = 4,
    haFull = 5,
};

enum TCellVAlign {
    vaTop = 0,
    vaBottom = 1,
    vaCenter = 2,
    vaUnderText = 3,
    vaAboveText = 4,
    vaFull = 5,
};

class TCellGraphic
{
public:
    TCellType CellType = ctNone;
    TCellVAlign CellVAlign = vaTop;
    TCellHAlign CellHAlign = haLeft;
    int CellIndex = 0;
    bool CellTransparent = false;
    bool CellBoolean = false;

    bool IsCheckBox() const
    {
        return CellType == ctCheckBox || CellType == ctDataCheckBox || CellType == ctVirtCheckBox;
    }
};
