// Fuzz target: language blocks, the compressed image decoder, the string-table image
// walk and the message formatter.
#include <cstdlib>

#include "zip/msgcodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mvt::zip;
    const std::span<const uint8_t> input(data, size);
    if (auto image = DecodeCompressedImage(input))
        if (image->size() >= kMaxMessageImageSize) std::abort();
    for (const auto& block : ParseLanguageBlocks(input))
        if (auto table = DecodeLanguageBlock(block))
            for (int id : {0, 15, 16, 10096, 11409, 11603}) table->Find(id);
    if (auto table = StringTableImage::FromBytes(input))
        for (int id = 0; id < 64; ++id) table->Find(id);
    const std::string text(reinterpret_cast<const char*>(data), size);
    FormatMessageText(text, {int64_t(-7), std::string("x")});
    FormatMessageText(text, {});
    return 0;
}
