// The two kinds of window peer on GTK 3.
//  - ComposedPeer: a normal toplevel, fullscreen and kept above, whose own X
//    window receives the toolkit's composed pixels (MIT-SHM put of the dirty
//    areas, plain XPutImage where shared memory is not available). Pointer,
//    key and close-box events are queued for the form.
//  - DialogPeer: a GtkWindow (modal when shown modally, transient for the
//    window beneath) with a GtkLayout holding one native widget per control
//    at the control's pixel position. A GtkLayout rather than a GtkFixed:
//    it keeps exactly the client size it is given, however large the
//    widgets would like to be.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <memory>

#include "toolkit/platform.h"

namespace tk::gtkx {

class LinuxPlatform;

std::unique_ptr<WindowPeer> MakeComposedPeer(LinuxPlatform& platform, Form& form);
std::unique_ptr<WindowPeer> MakeDialogPeer(LinuxPlatform& platform, Form& form);

// Pixbufs of toolkit pictures (straight alpha kept).
GdkPixbuf* PixbufFromPicture(const PictureData& picture);
GdkPixbuf* PixbufFromSurface(const Surface& surface);

}  // namespace tk::gtkx
