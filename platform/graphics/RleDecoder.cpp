#include "platform/graphics/RleDecoder.h"

namespace {

class RleWriter {
public:
    RleWriter(int bitCount, uint8_t* bits, int64_t lineSize, int width, int height)
        : fourBit_(bitCount == 4), bits_(bits), lineSize_(lineSize), width_(width), height_(height) {}

    bool Done() const { return y_ >= height_; }

    void Put(uint8_t index) {
        if (x_ < width_ && y_ < height_) {
            uint8_t* row = bits_ + static_cast<int64_t>(y_) * lineSize_;
            if (fourBit_) {
                uint8_t& byte = row[x_ / 2];
                byte = (x_ % 2 == 0) ? static_cast<uint8_t>((byte & 0x0F) | (index << 4))
                                     : static_cast<uint8_t>((byte & 0xF0) | (index & 0x0F));
            } else {
                row[x_] = index;
            }
        }
        if (x_ < width_)
            ++x_;
    }

    void EndOfLine() {
        x_ = 0;
        ++y_;
    }

    void Move(int dx, int dy) {
        x_ = x_ + dx > width_ ? width_ : x_ + dx;
        y_ = y_ + dy > height_ ? height_ : y_ + dy;
    }

private:
    bool fourBit_;
    uint8_t* bits_;
    int64_t lineSize_;
    int width_;
    int height_;
    int x_ = 0;
    int y_ = 0;
};

} // namespace

void DecodeRle(const uint8_t* data, size_t size, int bitCount, uint8_t* bits, int64_t lineSize, int width,
               int height) {
    RleWriter out(bitCount, bits, lineSize, width, height);
    const bool fourBit = bitCount == 4;
    size_t at = 0;
    while (at + 2 <= size && !out.Done()) {
        const uint8_t count = data[at];
        const uint8_t value = data[at + 1];
        at += 2;
        if (count > 0) {
            // An encoded run: one index repeated, or for 4 bits two indexes taken in turn.
            for (int k = 0; k < count; ++k)
                out.Put(fourBit ? static_cast<uint8_t>(k % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            continue;
        }
        switch (value) {
        case 0:
            out.EndOfLine();
            break;
        case 1:
            return; // end of picture
        case 2:
            if (at + 2 > size)
                return;
            out.Move(data[at], data[at + 1]);
            at += 2;
            break;
        default: {
            // An absolute run of `value` indexes, its bytes padded to a whole 16-bit word.
            const size_t bytes = fourBit ? (value + 1u) / 2 : value;
            for (int k = 0; k < value; ++k) {
                const size_t byteAt = at + (fourBit ? k / 2 : k);
                if (byteAt >= size)
                    return;
                const uint8_t byte = data[byteAt];
                out.Put(fourBit ? static_cast<uint8_t>(k % 2 == 0 ? byte >> 4 : byte & 0x0F) : byte);
            }
            at += bytes + (bytes % 2);
            break;
        }
        }
    }
}
