#!/usr/bin/python
# Runs on the control machine only: the action plugin of the same name does the work.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: merged_inventory
short_description: Every site's cameras in one JSON and one CSV file on the control machine
description:
  - Merges the cameras of the sites (the fact C(zendrix_cameras) that M(zendrix.cameras.camera_facts) set on each)
    and writes I(dest).json and I(dest).csv on the control machine, each camera marked with its site. Runs there
    in one step, without connecting to any host; use it with C(run_once).
  - A file that already holds the same inventory is left alone; in check mode nothing is written.
options:
  sites:
    description: The site hosts whose cameras to merge, usually C(ansible_play_hosts) (the sites whose reading did not fail).
    type: list
    elements: str
    required: true
  dest:
    description: The files' path without C(.json) and C(.csv); its folder must exist.
    type: path
    required: true
  columns:
    description: The CSV file's columns, in order (every camera field, and C(site)).
    type: list
    elements: str
    default: [site, name, mac, ip, port, netmask, gateway, model, version, time_zone, time_zone_row, ntp]
author: Zendrix developers
'''

EXAMPLES = r'''
- name: Write the merged inventory
  run_once: true
  zendrix.cameras.merged_inventory:
    sites: "{{ ansible_play_hosts }}"
    dest: /srv/estate/cameras
'''

RETURN = r'''
written:
  description: The files written (none when both already held this inventory).
  returned: always
  type: list
  elements: str
cameras:
  description: How many cameras the inventory holds.
  returned: always
  type: int
'''
