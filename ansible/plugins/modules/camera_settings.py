#!/usr/bin/python
# Desired settings for chosen cameras of one site, written only where they differ.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: camera_settings
short_description: System, network, video, OSD and imaging values of cameras, idempotent
description:
  - For each settings group given, asks C(zendrix-cli set GROUP --dry-run --format json) which fields of which
    cameras differ from the desired values, then writes to those cameras only. C(changed) is reported per
    camera in I(cameras).
  - Check mode sends nothing and reports what would change; diff mode shows each camera's values before and after.
  - Values are the options of C(zendrix-cli set GROUP) with C(_) for C(-) (C(time_zone) for C(--time-zone));
    C(true) and C(false) stand for on and off.
  - Values a camera never reports (passwords, the DDNS hash, a clock set by date, time or the computer's
    clock) cannot be compared and are refused; write them with zendrix-cli.
options:
  system:
    description: Values of C(set system), e.g. C(time_zone), C(ntp), C(daylight).
    type: dict
  network:
    description: Values of C(set network), e.g. C(http_port), C(rtsp_port), C(ddns).
    type: dict
  video:
    description: Values of C(set video), e.g. C(codec), C(size), C(rate), C(bitrate).
    type: dict
  osd:
    description: Values of C(set osd), e.g. C(title), C(show_title), C(show_time).
    type: dict
  imaging:
    description: Values of C(set imaging), e.g. C(brightness), C(frequency).
    type: dict
extends_documentation_fragment:
  - zendrix.cameras.cli
  - zendrix.cameras.cli.targets
author: Zendrix developers
'''

EXAMPLES = r'''
- name: NTP and time zone on every camera
  zendrix.cameras.camera_settings:
    all: true
    password: "{{ zendrix_password }}"
    system:
      time_zone: 100
      ntp: pool.ntp.org
'''

RETURN = r'''
cameras:
  description: Per camera MAC, whether it changed and the fields that did (or would), by group.
  returned: always
  type: dict
commands:
  description: The command lines run (they never hold the password).
  returned: always
  type: list
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.zendrix.cameras.plugins.module_utils.zendrix import (
    COMMON_ARGS, TARGET_ARGS, ZendrixCli, target_options)

SECTIONS = ('system', 'network', 'video', 'osd', 'imaging')
WRITE_ONLY = frozenset(['new_password', 'ddns_password', 'ddns_hash', 'date', 'time', 'computer_time'])


def set_options(values):
    options = []
    for key in sorted(values):
        value = values[key]
        if isinstance(value, bool):
            value = 'on' if value else 'off'
        options += ['--' + key.replace('_', '-'), str(value)]
    return options


def main():
    arguments = dict(COMMON_ARGS)
    arguments.update(TARGET_ARGS)
    for section in SECTIONS:
        arguments[section] = dict(type='dict')
    module = AnsibleModule(argument_spec=arguments, supports_check_mode=True)
    params = module.params
    targets = target_options(params)
    if not targets:
        module.fail_json(msg='choose cameras: all, macs, ips or models')
    if not any(params[section] for section in SECTIONS):
        module.fail_json(msg='give the values of at least one of %s' % ', '.join(SECTIONS))
    cli = ZendrixCli(module)
    cameras = {}
    before = {}
    after = {}
    for section in SECTIONS:
        values = params[section]
        if not values:
            continue
        refused = sorted(WRITE_ONLY.intersection(values))
        if refused:
            module.fail_json(msg='%s: %s cannot be compared with the cameras; write them with zendrix-cli'
                             % (section, ', '.join(refused)))
        options = set_options(values)
        plan = cli.json(cli.argv('set', section, *(targets + options + ['--dry-run', '--format', 'json'])),
                        'planning %s failed' % section)
        for camera in plan:
            entry = cameras.setdefault(camera['mac'], dict(ip=camera['ip'], changed=False, changes={}))
            if camera['changes']:
                entry['changed'] = True
                entry['changes'][section] = camera['changes']
                for change in camera['changes']:
                    before.setdefault(camera['mac'], {})['%s.%s' % (section, change['field'])] = change['current']
                    after.setdefault(camera['mac'], {})['%s.%s' % (section, change['field'])] = change['desired']
        # Each camera gets the options over its own values, just as planned,
        # so one set writes every camera that differs.
        differing = [camera['mac'] for camera in plan if camera['changes']]
        if module.check_mode or not differing:
            continue
        macs = []
        for mac in differing:
            macs += ['--mac', mac]
        argv = cli.argv('set', section, *(macs + options))
        rc, out, err = cli.run(argv)
        if rc != 0:
            cli.fail('writing %s to %s failed' % (section, ', '.join(differing)), argv, rc, out, err)
    changed = any(entry['changed'] for entry in cameras.values())
    result = dict(changed=changed, cameras=cameras, commands=cli.commands)
    if module._diff:
        result['diff'] = [dict(before_header=mac, after_header=mac, before=before[mac], after=after[mac])
                          for mac in sorted(before)]
    module.exit_json(**result)


if __name__ == '__main__':
    main()
