#!/usr/bin/env bash
# Limits for raw cow milk, ready as the "Limits" section of the demo's settings files:
# fat 2.8-6.0 %, protein 2.8-3.6 %, density 1027-1030 kg/m3, freezing point not above
# -0.520 deg C, no added water, solids-non-fat at least 8.2 %. Source this file, then
#   tarvo_limits >> Tarvo.Ini      (the Tarvo window's columns)
#   mirel_limits >> Mirel2.Ini     (the columns the demo's "Columns" section names)
# Keys are column numbers; each value is "min;max" with either side left out.

# Tarvo: 6 fat, 7 solids-non-fat, 8 density, 9 protein, 10 added water, 15 freezing point.
tarvo_limits() {
  printf '[Limits]\r\n6=2.8;6.0\r\n7=8.2;\r\n8=1027;1030\r\n9=2.8;3.6\r\n10=;0\r\n15=;-0.520\r\n'
}

# Mirel demo: 5 fat, 6 solids-non-fat, 7 density, 8 protein, 11 added water,
# 12 freezing point.
mirel_limits() {
  printf '[Limits]\r\n5=2.8;6.0\r\n6=8.2;\r\n7=1027;1030\r\n8=2.8;3.6\r\n11=;0\r\n12=;-0.520\r\n'
}

# Run as a program, it prints both blocks.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  echo "# Tarvo.Ini"; tarvo_limits
  echo "# Mirel2.Ini"; mirel_limits
fi
