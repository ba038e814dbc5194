#pragma once
// Raised instead of writing a user data file that the program would refuse to read (over the
// size or node limit of the reader): the old file stays as it was.

#include "store/EWriteError.h"

class EStoreTooLarge : public EWriteError {
public:
    EStoreTooLarge()
        : EWriteError(QStringLiteral("帐号数据过多，保存后将无法读取，文件未做任何改动。")) {}
};
