// The authoring tool's project file "qel.ebs".
#pragma once

namespace qel {

// Writes BASEPATH + "qel.ebs". 0 or -1.
int write_project_file();

}  // namespace qel
