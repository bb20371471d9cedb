# The main window, the pickers and the dialog seams.
target_sources(tesselar_forms PRIVATE)
