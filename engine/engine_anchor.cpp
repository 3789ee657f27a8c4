// The engine library is assembled from the files listed beside this one.
