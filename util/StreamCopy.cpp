#include "StreamCopy.h"

CopyResult copyBytes(QIODevice &from, QIODevice &to, qint64 count, QByteArray &buffer)
{
    char *chunk = buffer.data();
    const qint64 chunkSize = buffer.size();
    while (count > 0) {
        const qint64 got = from.read(chunk, qMin(count, chunkSize));
        if (got <= 0)
            return CopyResult::ReadShort;
        if (to.write(chunk, got) != got)
            return CopyResult::WriteFailed;
        count -= got;
    }
    return CopyResult::Done;
}
