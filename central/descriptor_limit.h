#pragma once
// Ten thousand members mean ten thousand descriptors, far above the usual soft
// limit of 1024: raise the soft limit to the hard one.
namespace velorin::central {

// The soft limit after the attempt.
long RaiseDescriptorLimit();

}  // namespace velorin::central
