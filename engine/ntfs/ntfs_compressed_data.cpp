// Writes the data of a compressed NTFS file of the current drive.
#include "engine/event_log_line.h"
#include "engine/ntfs/compressed_units.h"
#include "engine/undelete.h"
#include "platform/text_codec.h"

namespace tarnwell::engine {

bool TUndelete::WriteCompressedData(const trunlist& runs, OutputFile& file, int64_t size,
                                    EventLog& log) {
  ntfs::CompressedSource source;
  source.clusterBytes = NtfsClusterBytes();
  source.readClusters = [this](int64_t lcn, int64_t count, uint8_t* buffer) {
    return ReadClusters(lcn, count, buffer);
  };
  source.beforeUnit = [this, &log] {
    pump_.Pump();
    if (!StopRequested) return true;
    AddLogLine(log, platform::SystemText("恢复被用户终止"), kLogError);
    return false;
  };
  return ntfs::WriteCompressedUnits(runs, file, size, source);
}

}  // namespace tarnwell::engine
