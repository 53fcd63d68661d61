// A sound resource as stored: the file it was made from and how it plays; once prepared,
// the device slot that plays it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/Support_Stream.h"

namespace vn {

class CSound {
 public:
  int kind = 0;
  std::string file_type;  // the extension, with its dot
  std::string file_name;
  bool has_data = false;
  std::vector<uint8_t> data;  // the whole sound file
  int effects = 0;            // bit set of the se_ constants
  double volume = 1.0;
  double pan = 0.0;
  bool preload = true;

  CSound() = default;
  // A copy is the stored record only: the slot and the temporary file stay with the
  // original, which alone frees them.
  CSound(const CSound& other);
  CSound& operator=(const CSound& other);

  void read(CStream& stream);
  void write(CStream& stream) const;

  // The sound made from a file of the game's (a name as the game writes it): its bytes,
  // its extension and its name without the folder. False, changing nothing, when the file
  // cannot be read.
  bool load_from_file(const std::string& name, int new_kind, bool new_preload);

  // Gives the sound a device slot; false when nothing can play it. Data the device's
  // decoders refuse makes the sound multimedia, played from a file in the temporary folder.
  bool prepare();
  // Frees the slot (stopping the sound); the data or the temporary file stays, so that a
  // later prepare works again.
  void unprepare();
  // The slot, prepared on first use; -1 when the sound cannot play (tried once, until the
  // next prepare or unprepare, so that a game does not decode a bad file every step).
  int slot();
  bool prepared() const { return slot_ >= 0; }
  // Unprepares and removes the temporary file: the sound is going away or being replaced.
  void release();
  const std::filesystem::path& temporary_file() const { return temporary_file_; }

  // The stored record; the slot and the temporary file are not part of it.
  bool operator==(const CSound& other) const;

 private:
  void copy_record(const CSound& other);
  bool write_temporary_file();

  int slot_ = -1;
  bool unplayable_ = false;
  std::filesystem::path temporary_file_;
};

}  // namespace vn
