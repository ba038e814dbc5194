// The side panel's favourites section ("收藏").
#include "side/TfrmSide.h"

void TfrmSide::PrepareFavourites() {
    // The favourites tree (a TTreeView1 with its TScrollBar1, filling Panel2) is created and
    // filled here the first time the section is shown.
}
