#pragma once

#include <QIcon>
#include <QPixmap>

namespace vardeck {

// The program's icon: a shaft with the car in it, drawn at `size` x `size` pixels.
QPixmap appIconPixmap(int size);
// The same picture at the usual icon sizes, for window captions and task bars.
QIcon appIcon();

}  // namespace vardeck
