// Found first by the layers below the widgets (see velmora_widget_free in
// src/CMakeLists.txt): every QtWidgets header includes this one, so a
// widget header, however it is spelled, stops the build there.
#error "a layer below the widgets includes a QtWidgets header"
