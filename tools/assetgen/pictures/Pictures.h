#pragma once

namespace assetgen {
class Pack;
// Textures of the models and the fountain scene's sprites.
void GenerateTextures(Pack& pack);
// The full-screen pictures and the 8-bit effect pictures.
void GenerateScreens(Pack& pack);
}  // namespace assetgen
