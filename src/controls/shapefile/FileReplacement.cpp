#include "controls/shapefile/FileReplacement.h"

#include <exception>

#include "controls/shapefile/ShapeFileError.h"

namespace tesselar {

namespace {

struct Destination {
    const FileMove& move;
    // Where the earlier file is set aside; a created but unused name when setting it aside
    // failed.
    std::string aside;
    bool setAside = false;
    bool placed = false;
};

// Undoes what was done so far. Returns what could not be undone, for the message.
std::string PutBack(OutputFileSystem& files, std::vector<Destination>& destinations) {
    std::string notes;
    for (Destination& destination : destinations) {
        if (destination.setAside) {
            try {
                files.Rename(destination.aside, destination.move.to);
            } catch (const std::exception&) {
                // The earlier file is kept under its temporary name rather than lost.
                notes += "; the earlier '" + destination.move.to + "' is kept as '" +
                         destination.aside + "'";
            }
        } else {
            if (destination.placed) {
                files.Remove(destination.move.to);
            }
            if (!destination.aside.empty()) {
                files.Remove(destination.aside);
            }
        }
    }
    return notes;
}

}  // namespace

void MoveIntoPlace(OutputFileSystem& files, const std::vector<FileMove>& moves) {
    std::vector<Destination> destinations;
    destinations.reserve(moves.size());
    for (const FileMove& move : moves) {
        destinations.push_back({move, {}, false, false});
    }
    try {
        for (Destination& destination : destinations) {
            if (files.Exists(destination.move.to)) {
                files.CreateTemporary(destination.move.to, destination.aside)->Close();
                files.Rename(destination.move.to, destination.aside);
                destination.setAside = true;
            }
        }
        for (Destination& destination : destinations) {
            files.Rename(destination.move.from, destination.move.to);
            destination.placed = true;
        }
    } catch (const std::exception& error) {
        const std::string notes = PutBack(files, destinations);
        if (notes.empty()) {
            throw;
        }
        throw ShapeFileError(error.what() + notes);
    }
    for (const Destination& destination : destinations) {
        if (destination.setAside) {
            files.Remove(destination.aside);
        }
    }
}

}  // namespace tesselar
