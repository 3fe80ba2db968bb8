// The native set-up dialog opens, shows its items and closes like OK.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/d3d8_dialog.h"

#if __has_include(<gtk/gtk.h>)
#include <gtk/gtk.h>

namespace {

// Finds the open dialog, picks the second list entry and the second radio
// button, then presses Escape's equivalent (the dialog closes as by OK).
gboolean CloseOpenDialog(gpointer) {
    GList* tops = gtk_window_list_toplevels();
    for (GList* l = tops; l; l = l->next) {
        if (!GTK_IS_DIALOG(l->data) || !gtk_widget_get_visible(GTK_WIDGET(l->data))) continue;
        GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(l->data));
        GList* frames = gtk_container_get_children(GTK_CONTAINER(content));
        for (GList* f = frames; f; f = f->next) {
            GtkWidget* box = gtk_bin_get_child(GTK_BIN(f->data));
            GList* items = gtk_container_get_children(GTK_CONTAINER(box));
            for (GList* i = items; i; i = i->next) {
                if (GTK_IS_COMBO_BOX(i->data)) gtk_combo_box_set_active(GTK_COMBO_BOX(i->data), 1);
                if (GTK_IS_RADIO_BUTTON(i->data) && !i->next)
                    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(i->data), TRUE);
            }
            g_list_free(items);
        }
        g_list_free(frames);
        gtk_dialog_response(GTK_DIALOG(l->data), GTK_RESPONSE_DELETE_EVENT);
    }
    g_list_free(tops);
    return G_SOURCE_REMOVE;
}

}  // namespace

TEST(SetupDialogWindow, ClosesWithChoice) {
    if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display for GTK";
    unsetenv("VEL_NO_DIALOGS");  // this test answers the dialog itself
    plat::ModeDialogLayout layout;
    layout.title = "Display";
    layout.radioGroupCaption = "Color depth";
    layout.radio1Caption = "16 bit";
    layout.radio2Caption = "32 bit";
    layout.listGroupCaption = "Screen resolution";
    layout.listItems = {"800 x 600", "1024 x 768"};
    layout.listSelection = 0;
    int radioChosen = -1;
    layout.onRadio = [&](int index) { radioChosen = index; };
    g_timeout_add(300, CloseOpenDialog, nullptr);
    ASSERT_TRUE(plat::RunModeDialog(layout));
    EXPECT_EQ(layout.listSelection, 1);
    EXPECT_EQ(radioChosen, 1);
    EXPECT_EQ(layout.radioChecked, 1);
}
#endif
