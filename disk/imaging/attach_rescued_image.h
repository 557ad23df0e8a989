#pragma once
// `--image IMAGE --map MAP`: an image copied from a failing disk, attached
// so that the sectors its map does not mark as copied fail when read.
#include <string>

namespace tarnwell::disk::imaging {

// Attaches the image to the device table as large as the disk the map
// describes (or the file, when larger), readable where the map says
// "finished". False with the reason in *error (UTF-8) when the map cannot
// be read or is damaged, or the image cannot be attached.
bool AttachRescuedImage(const std::string& imagePath, const std::string& mapPath, std::string* error);

}  // namespace tarnwell::disk::imaging
