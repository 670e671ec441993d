// Opening and closing the control bindings.
#include "ui/bindings.h"

#include "platform/input.h"
#include "ui/config.h"

void bindings_open(Window *w, Config *c)
{
    for (int set = 0; set < 2; ++set)
        for (int i = 0; i < BINDINGS; ++i) {
            ControlBinding &b = binding_set(c, set)[i].binding;
            if (b.key_name)
                b.key_code = button_code(w, b.key_name);
            else if (b.axis_name)
                b.axis_handle = axis_open(w, b.axis_name);
        }
}

void bindings_close(Config *c)
{
    for (int set = 0; set < 2; ++set)
        for (int i = 0; i < BINDINGS; ++i) {
            ControlBinding &b = binding_set(c, set)[i].binding;
            axis_close(b.axis_handle);
            b.axis_handle = nullptr;
            b.key_code = 0;
        }
}
