#include "platform/media/converters/Catalog.h"

#include "platform/media/converters/Classes.h"
#include "platform/media/core/MediaType.h"

const std::vector<ConverterEntry>& ConverterCatalog() {
    static const std::vector<ConverterEntry> catalog{
        {CLSID_Colour,
         u"Color Space Converter",
         {MEDIASUBTYPE_YUY2, MEDIASUBTYPE_UYVY, MEDIASUBTYPE_NV12, MEDIASUBTYPE_I420, MEDIASUBTYPE_IYUV,
          MEDIASUBTYPE_RGB32}},
        {CLSID_MjpegDec, u"MJPEG Decompressor", {MEDIASUBTYPE_MJPG}},
    };
    return catalog;
}
