#pragma once

#include "platform/graphics/Bitmap.h"

#include <ostream>
#include <string>
#include <vector>

// tarnolix-fx: the frame pass run over a picture file as if it were one captured frame.
// Returns the exit code: 0 done, 1 a picture could not be read or written (the error's message
// on `err`), 2 a bad command line (with the usage text on `err`).
int RunFx(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// Loads a picture by its file name's extension, compared exactly: ".jpg" through the JPEG
// decoder, ".bmp" through the bitmap reader. Raises the readers' errors, or Exception for any
// other extension.
void LoadPicture(TBitmap& picture, const std::string& fileName);

// A 24-bit bottom-up frame of the picture's size holding its colours, as the frame copy makes.
void PictureToFrame(const TBitmap& picture, TBitmap& frame);
