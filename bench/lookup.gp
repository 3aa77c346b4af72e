# Lookup time against entry count, each lookup next to its floor; called by scripts/bench.sh
# with data (the table report.py writes) and output (the PNG).
set terminal pngcairo size 900,560 font ",11"
set output output
set title "OCFile::Open of a name in a version-3 pack, against its floor (median CPU time)"
set xlabel "entries in the pack"
set ylabel "time per lookup (ms)"
set logscale xy
set xrange [700:150000]
set xtics ("1,000" 1000, "10,000" 10000, "100,000" 100000)
set grid
set key top left
plot data using 1:2 with linespoints lw 2 pt 7 lc rgb "#1f77b4" title "first record", \
     data using 1:5 with linespoints lw 1 dt 2 pt 6 lc rgb "#1f77b4" title "first record: floor", \
     data using 1:3 with linespoints lw 2 pt 5 lc rgb "#d62728" title "last record", \
     data using 1:6 with linespoints lw 1 dt 2 pt 4 lc rgb "#d62728" title "last record: floor", \
     data using 1:4 with linespoints lw 2 pt 9 lc rgb "#2ca02c" title "missing name", \
     data using 1:7 with linespoints lw 1 dt 2 pt 8 lc rgb "#2ca02c" title "missing name: floor"
