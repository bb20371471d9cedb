# The splash and About windows and the program's pictures.
target_sources(tesselar_forms PRIVATE)
