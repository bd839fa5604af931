// Bitmap tracing through the tracing libraries of the program folder.
#pragma once
#include <memory>

#include "framework/wnd.h"
#include "model/graphobject.h"
#include "platform/dc.h"

// Traces a bitmap of at most two colours through the Vector library, as the
// scan dialog does; the dialog (or null) gets the caller value and is
// repainted at the end. Null when nothing was traced.
std::unique_ptr<CGraphObject> VectorizeImage(plat::HBITMAP bitmap, fw::CWnd* dialog);
