// The display set-up dialog's native window, built with GTK 3.
#include <cstdlib>
#include "platform/d3d8_dialog.h"

#ifdef VEL_HAVE_GTK
#include <gtk/gtk.h>
#endif

namespace plat {

#ifdef VEL_HAVE_GTK
namespace {

struct RadioContext {
    ModeDialogLayout* layout;
    int index;
};

void OnRadioToggled(GtkToggleButton* button, gpointer data) {
    auto* ctx = static_cast<RadioContext*>(data);
    if (gtk_toggle_button_get_active(button)) {
        ctx->layout->radioChecked = ctx->index;
        if (ctx->layout->onRadio) ctx->layout->onRadio(ctx->index);
    }
}

void PumpGtk() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

}  // namespace

bool RunModeDialog(ModeDialogLayout& layout) {
    // A scripted run has nobody to answer: the remembered choice stands.
    if (const char* noDialogs = getenv("VEL_NO_DIALOGS"); noDialogs && *noDialogs) return false;
    static bool tried = false, ok = false;
    if (!tried) {
        tried = true;
        ok = gtk_init_check(nullptr, nullptr);
    }
    if (!ok) return false;

    GtkWidget* dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), layout.title.c_str());
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_container_set_border_width(GTK_CONTAINER(content), 10);
    gtk_box_set_spacing(GTK_BOX(content), 8);

    GtkWidget* depthFrame = gtk_frame_new(layout.radioGroupCaption.c_str());
    GtkWidget* depthBox = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    gtk_container_set_border_width(GTK_CONTAINER(depthBox), 6);
    GtkWidget* radio1 = gtk_radio_button_new_with_label(nullptr, layout.radio1Caption.c_str());
    GtkWidget* radio2 =
        gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(radio1), layout.radio2Caption.c_str());
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(layout.radioChecked == 1 ? radio2 : radio1), TRUE);
    gtk_box_pack_start(GTK_BOX(depthBox), radio1, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(depthBox), radio2, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(depthFrame), depthBox);
    gtk_box_pack_start(GTK_BOX(content), depthFrame, FALSE, FALSE, 0);

    GtkWidget* resFrame = gtk_frame_new(layout.listGroupCaption.c_str());
    GtkWidget* combo = gtk_combo_box_text_new();
    for (const std::string& item : layout.listItems) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), item.c_str());
    if (layout.listSelection >= 0 && layout.listSelection < (int)layout.listItems.size())
        gtk_combo_box_set_active(GTK_COMBO_BOX(combo), layout.listSelection);
    gtk_container_set_border_width(GTK_CONTAINER(resFrame), 0);
    GtkWidget* resBox = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_set_border_width(GTK_CONTAINER(resBox), 6);
    gtk_box_pack_start(GTK_BOX(resBox), combo, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(resFrame), resBox);
    gtk_box_pack_start(GTK_BOX(content), resFrame, FALSE, FALSE, 0);

    GtkWidget* okButton = gtk_dialog_add_button(GTK_DIALOG(dialog), layout.okCaption.c_str(), GTK_RESPONSE_OK);
    gtk_widget_set_can_default(okButton, TRUE);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);

    RadioContext ctx1{&layout, 0}, ctx2{&layout, 1};
    g_signal_connect(radio1, "toggled", G_CALLBACK(OnRadioToggled), &ctx1);
    g_signal_connect(radio2, "toggled", G_CALLBACK(OnRadioToggled), &ctx2);

    gtk_widget_show_all(dialog);
    // OK, Enter, Escape and the close box all end the dialog the same way.
    gtk_dialog_run(GTK_DIALOG(dialog));
    layout.listSelection = gtk_combo_box_get_active(GTK_COMBO_BOX(combo));
    gtk_widget_destroy(dialog);
    PumpGtk();
    return true;
}

#else

bool RunModeDialog(ModeDialogLayout&) { return false; }

#endif

}  // namespace plat
