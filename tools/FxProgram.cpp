#include "tools/FxProgram.h"

#include "effects/EffectSelection.h"
#include "effects/FramePass.h"
#include "effects/KeyedBackground.h"
#include "effects/RandomGenerator.h"
#include "imaging/BitmapFileReader.h"
#include "imaging/BitmapFileWriter.h"
#include "imaging/JPEGImage.h"
#include "tools/FxCommandLine.h"

#include <algorithm>
#include <cstring>

namespace {

// The extension as the background command takes it: from the last dot, unless a path
// separator follows that dot.
std::string Extension(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || fileName.find_first_of("/\\:", dot) != std::string::npos)
        return "";
    return fileName.substr(dot);
}

void CopyFrame(const TBitmap& source, TBitmap& frame) {
    frame.SetSize(source.Width(), source.Height(), TPixelFormat::pf24bit);
    for (int y = 0; y < source.Height(); ++y)
        std::memcpy(frame.ScanLine(y), source.ScanLine(y), static_cast<size_t>(source.LineSize()));
}

void ListEffects(std::ostream& out) {
    for (const TEffectInfo& info : EffectCatalogue())
        out << info.name << '\t' << info.caption << '\n';
}

} // namespace

void LoadPicture(TBitmap& picture, const std::string& fileName) {
    const std::string extension = Extension(fileName);
    if (extension == ".jpg") {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(fileName);
        jpeg.AssignTo(picture);
    } else if (extension == ".bmp") {
        LoadBitmapFromFile(picture, fileName);
    } else {
        throw Exception("Not a .bmp or .jpg picture: " + fileName);
    }
}

void PictureToFrame(const TBitmap& picture, TBitmap& frame) {
    frame.SetSize(picture.Width(), picture.Height(), TPixelFormat::pf24bit);
    for (int y = 0; y < picture.Height(); ++y) {
        uint8_t* row = frame.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x) {
            const COLORREF colour = picture.Pixels(x, y);
            row[3 * x] = GetBValue(colour);
            row[3 * x + 1] = GetGValue(colour);
            row[3 * x + 2] = GetRValue(colour);
        }
    }
}

int RunFx(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    TFxOptions options;
    try {
        options = ParseFxCommandLine(arguments);
    } catch (const EUsageError& e) {
        err << "tarnolix-fx: " << e.Message() << '\n' << kFxUsage;
        return 2;
    }
    if (options.list) {
        ListEffects(out);
        return 0;
    }

    try {
        TBitmap picture;
        LoadPicture(picture, options.input);
        TBitmap original;
        PictureToFrame(picture, original);

        TBitmap background;
        TKeyedBackground keying;
        if (options.key)
            keying.SetKeyColour(*options.key);
        if (!options.background.empty()) {
            LoadPicture(background, options.background);
            ScaleBackgroundToFrame(background, original.Width(), original.Height());
            keying.SetBackground(&background);
        }

        TEffectSelection selection;
        selection.Select(options.effect);
        TRandomGenerator random(options.seed ? *options.seed : TRandomGenerator::CurrentTimeOfDaySeed());
        TFramePass pass(selection, random);
        pass.SetKeying(&keying);

        // Each repetition is a new frame copied from the picture; the generator runs on.
        TBitmap frame;
        for (int k = 0; k < options.repeat; ++k) {
            CopyFrame(original, frame);
            pass.Run(frame);
        }
        SaveBitmapToFile(frame, options.output);
    } catch (const std::exception& e) {
        err << "tarnolix-fx: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
