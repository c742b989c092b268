#pragma once

class CellStore;

// A site list written by an editor that saves UTF-8, as Linux editors do by
// default, holds its statuses and names as UTF-8 bytes: read as GBK its
// cells are garbled and no status reads "正常", so CHECK finds nothing to
// check. Such a list is recognised and can be turned into the system's GBK.
//
// A list counts as UTF-8 when every cell is valid UTF-8, at least one cell
// holds a character beyond ASCII, and some status cell holds the UTF-8 form
// of a status value. GBK text with Chinese in it is seldom valid UTF-8, and
// the GBK status values never are, so a list written by LinkWatch itself is
// never taken for one. Nothing here throws but for want of memory.
bool LooksLikeUtf8SiteList(const CellStore& list);

// Turns every cell of list from UTF-8 into GBK; characters GBK cannot hold become "?".
void ConvertUtf8SiteList(CellStore& list);
