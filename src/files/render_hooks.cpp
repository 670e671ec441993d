#include "files/render_hooks.h"

RenderHooks render_hooks;

Model *hook_load_model(const char *name, bool warn)
{
    return render_hooks.load_model ? render_hooks.load_model(name, warn) : nullptr;
}
