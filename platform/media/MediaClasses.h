#pragma once

// Registers the media-streaming framework's creatable classes with the class registry (the
// system device enumerator, the device moniker, the filter graph manager, the capture graph
// builder, the converters the graph inserts, the sample grabber, the video renderer and the
// video mixing renderer 9). Safe to call any number of times from any thread; the program calls
// it at start, and the capture layer before its first use.
void RegisterMediaClasses();
