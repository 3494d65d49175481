#pragma once

// Fitting arithmetic shared by Kotopane, which stretches a picture into its box, and the
// converter, which decodes a photo no larger than that.

// Shrinks the box (w, h) to the picture's proportions, never below 1 x 1; may enlarge,
// the caller decides.
void FitInside(int* w, int* h, int iw, int ih);
// Fitted size of a picture in a box, never larger than the picture, and its left offset.
struct PICTURE_PLACE {
    int x;
    int width;
    int height;
};
PICTURE_PLACE PlacePicture(int boxW, int boxH, int iw, int ih);

// A side of a picture decoded at eighths/8 of its size (1..8), rounded up as a JPEG
// decoder's scaled output is.
unsigned ScaledSide(unsigned side, unsigned eighths);
