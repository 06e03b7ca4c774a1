// GIF: one image of a file or stream read by GIF_ImageIndex, a bitmap written as a one-image
// file, and multi-image files edited: an image inserted or deleted, the images counted, the
// looping extension tested for and written. The codec parses and builds every block; the
// pixel data goes through the LZW hooks of the parameter set (ioparams.h).
#pragma once

#include <cstdint>
#include <string>

#include "imaging/core/progress.h"

namespace kx {

class TStream;
class TBitmap;
class TIOParamsVals;

// Reads image GIF_ImageIndex (0-based) at the stream's position into `bitmap` (1-bit when its
// two colours are black then white, 24-bit otherwise) and fills `params`; with `paramsOnly`
// only the parameters. `imageCount` receives the images met before reading stopped, all of
// them on a complete read. Not a GIF, an index past the last image, no decoder, a picture above
// the pixel limit and damaged data set the abort flag; rows the data never reached show the
// background index.
void ReadGifStream(TStream& stream, TBitmap& bitmap, int32_t& imageCount, TIOParamsVals& params, TProgressRec& progress,
                   bool paramsOnly);
void ReadGif(const std::string& fileName, TBitmap& bitmap, int32_t& imageCount, TIOParamsVals& params,
             TProgressRec& progress);
// Writes a one-image GIF of a 24-bit or 1-bit bitmap at the stream's position: BitsPerSample
// (1..8) colours chosen by the quantizer, the transparent colour given an entry of its own.
// Without an encoder the stream ends after the image descriptor and the abort flag is set.
void WriteGifStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress);
// WriteGifStream into a new file that replaces `fileName` only when it is complete.
void WriteGif(const std::string& fileName, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress);
// The number of images of the GIF at the stream's position, which is restored.
int32_t GifCountImages(TStream& stream);
// True when the bytes at the position begin with "GIF"; the position is restored.
bool GifTryStream(TStream& stream);

// Inserts `bitmap` as a new image at position GIF_ImageIndex into the GIF that starts at the
// stream's position and returns the images counted (the new one included). A stream that is not
// a GIF, no encoder or a damaged file abort and leave the stream as it was.
int32_t _InsertGifImStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress);
// The same on a file, which is replaced by the new one only when the insertion went through.
int32_t _InsertGifIm(const std::string& fileName, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress);
// Removes image `index` and returns the images that remain; the file is rewritten only with
// `save`. Index -1 without `save` counts the images. Not a GIF: 0, the file untouched.
int32_t _DeleteGifIm(const std::string& fileName, int32_t index, bool save);
// Whether a looping extension follows the global colour table.
bool _CheckGifAnimate(const std::string& fileName);
// Rewrites the file as version 89a with the given screen size and a looping extension with
// `loopCount` (0 = for ever) after the global colour table, replacing one already there. Not a
// GIF: nothing changes.
void _GifMakeAnimate(const std::string& fileName, uint16_t loopCount, int32_t screenWidth, int32_t screenHeight);

}  // namespace kx
