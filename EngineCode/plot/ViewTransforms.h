// View transforms of a document's plot: the changes of what the plot shows that leave the
// physics alone. For now the intensity autoscaling the drawing driver needs; zoom, shift, stack
// and scroll join it with the interactive tools.
#pragma once

struct WinInfoRec;

// Fits ymax and yscale to what is visible: the largest calculated column (background and offset
// included) and observed point inside the x range, or with mixtures the largest summed column
// (at least 1e-30), in graph mode standing kAutoscaleHeadroom of the range below the top. ymin
// is left as it is. Nothing is redrawn.
void AutoscaleYLimits(WinInfoRec* theWindow);
