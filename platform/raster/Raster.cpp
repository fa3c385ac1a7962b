// Filled in by the rasteriser proper.
