#include "base/PictureFit.h"

// Products and quotients in double, each stored in single precision: a 953 x 611 picture in a
// 952 x 610 box comes out 951 x 610.
void FitInside(int* w, int* h, int iw, int ih)
{
    if (iw <= 0 || ih <= 0 || *h <= 0)
        return;
    float rb = (float)((double)*w / (double)*h);
    float rp = (float)((double)iw / (double)ih);
    float s;
    if (rp > rb)
        s = (float)((double)*w / (double)iw);
    else
        s = (float)((double)*h / (double)ih);
    *w = (int)(float)((double)iw * s);
    *h = (int)(float)((double)ih * s);
    // A very thin picture (4000 x 2) would truncate to nothing and never be seen.
    if (*w < 1)
        *w = 1;
    if (*h < 1)
        *h = 1;
}

PICTURE_PLACE PlacePicture(int boxW, int boxH, int iw, int ih)
{
    int fw = boxW, fh = boxH;
    FitInside(&fw, &fh, iw, ih);
    if (iw < fw || ih < fh) {
        fw = iw;
        fh = ih;
    }
    PICTURE_PLACE p;
    p.x = (int)((float)(boxW - fw) / 2.0f);
    p.width = fw;
    p.height = fh;
    return p;
}

unsigned ScaledSide(unsigned side, unsigned eighths)
{
    return (unsigned)(((unsigned long long)side * eighths + 7) / 8);
}
