#include "effects/ColourEffects.h"

#include "effects/ChannelTables.h"
#include "effects/RowKernels.h"

void Negative(uint8_t* row, int x0, int x1) {
    RowKernels().negative(row, x0, x1);
}

void ColourInversion(uint8_t* row, int x0, int x1) {
    MapChannelBytes(row, x0, x1, ChannelTables().inversion);
}

void GreyFromMean(uint8_t* row, int x0, int x1) {
    RowKernels().greyFromMean(row, x0, x1);
}

void GreyFromRed(uint8_t* row, int x0, int x1) {
    RowKernels().greyFromChannel(row, x0, x1, 2);
}

void GreyFromGreen(uint8_t* row, int x0, int x1) {
    RowKernels().greyFromChannel(row, x0, x1, 1);
}

void GreyFromBlue(uint8_t* row, int x0, int x1) {
    RowKernels().greyFromChannel(row, x0, x1, 0);
}

void BlackAndWhite(uint8_t* row, int x0, int x1) {
    RowKernels().blackAndWhite(row, x0, x1);
}

void PredatorVision(uint8_t* row, int x0, int x1) {
    RowKernels().predatorVision(row, x0, x1);
}

void Contours(uint8_t* row, int x0, int x1) {
    RowKernels().contours(row, x0, x1);
}

void Blots(uint8_t* row, int x0, int x1) {
    RowKernels().blots(row, x0, x1);
}

void SierpinskiMask(uint8_t* row, int y, int x0, int x1) {
    RowKernels().sierpinskiMask(row, y, x0, x1);
}
