// The windows of the GTK 3 backend: what the two kinds of window peer share
// (gtk_peers.cpp), the peers themselves and the message box
// (gtk_message_box.cpp).
//  - ComposedPeer (gtk_surface_peer.cpp): a normal toplevel, fullscreen and
//    kept above, whose own X window receives the toolkit's composed pixels
//    (MIT-SHM put of the dirty areas, plain XPutImage where shared memory is
//    not available). Pointer, key and close-box events are queued for the
//    form.
//  - DialogPeer (gtk_dialog_peer.cpp): a GtkWindow (modal when shown
//    modally, transient for the window beneath) with a GtkLayout holding one
//    native widget per control at the control's pixel position. A GtkLayout
//    rather than a GtkFixed: it keeps exactly the client size it is given,
//    however large the widgets would like to be.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gdk/gdk.h>

#include <cstdint>
#include <memory>

#include "toolkit/platform.h"

namespace tk::gtkx {

class LinuxPlatform;

std::unique_ptr<WindowPeer> MakeComposedPeer(LinuxPlatform& platform, Form& form);
std::unique_ptr<WindowPeer> MakeDialogPeer(LinuxPlatform& platform, Form& form);

// Pixbufs of toolkit pictures (straight alpha kept).
GdkPixbuf* PixbufFromPicture(const PictureData& picture);
GdkPixbuf* PixbufFromSurface(const Surface& surface);

// The toolkit's button of a GDK button number; 0 for the ones it has not.
int16_t ToolkitButton(guint button);
// An event coordinate (GDK's are fractional) as the pixel it lies in.
int WholePixel(double v);
// A button press or release as the toolkit's pointer action.
PointerAction ButtonAction(GdkEventType type);

}  // namespace tk::gtkx
