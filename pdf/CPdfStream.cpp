// Byte stream defaults shared by every kind of stream.
#include "pdf/CPdfStream.h"

#include "pdf/CPdfException.h"

int CPdfStream::getRawChar() {
    throw CPdfException("Internal: called getRawChar() on non-predictor stream");
}

size_t CPdfStream::getBytes(uint8_t* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        int c = getChar();
        if (c < 0) break;
        buffer[done++] = static_cast<uint8_t>(c);
    }
    return done;
}
